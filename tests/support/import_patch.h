#pragma once
// Replaces a function the test executable imports, for the lifetime of the
// object, by rewriting its entry in the import address table. Lets a test
// play a system answer (such as "not an administrator") that Wine never gives.
#include <windows.h>

#include <vector>

namespace testing_support {

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool Applied() const { return !m_patched.empty(); }

private:
    void* m_original = nullptr;
    std::vector<void**> m_patched;
};

}  // namespace testing_support
