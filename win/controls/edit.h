#pragma once
#include "win/window.h"

namespace win {

// Edit box: text access comes from Window.
class Edit : public Window {};

}  // namespace win
