#pragma once
// The screens of the main window, one at a time.

namespace workflow {

enum class Screen { Loading, Drives, Analysing, Results, Recovering };

}  // namespace workflow
