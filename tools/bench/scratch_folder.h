#pragma once
// A folder under the temporary folder that is removed, with everything in
// it, when the benchmark section ends.
#include <string>

namespace bench {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    // The folder's path, ending with a backslash.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace bench
