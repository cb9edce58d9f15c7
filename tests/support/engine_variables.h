#pragma once
// The program starts its engine with an environment it builds from the
// system's variables alone; the test engines are configured by variables of
// the test process (VANTREO_*). While this object lives, every environment
// block the test executable hands to CreateProcessA gains those variables.
#include "tests/support/import_patch.h"

namespace testing_support {

class EngineVariablesPassed {
public:
    EngineVariablesPassed();
    bool Applied() const { return m_patch.Applied(); }

private:
    ImportPatch m_patch;
};

}  // namespace testing_support
