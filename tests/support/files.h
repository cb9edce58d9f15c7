#pragma once
// Files and folders that tests make, read and remove.
#include <map>
#include <string>
#include <vector>

namespace testing_support {

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Opens for writing with no sharing, as the program does before it admits a
// found file: false while anyone else holds the file open.
bool CanOpenExclusively(const std::string& path);
// Names of the files (not folders) directly in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);
// Every file below a folder by its path relative to it, with its contents.
std::map<std::string, std::string> FilesBelow(const std::string& folder);
// Removes a tree made by a test, read-only files too; a tree holding a link
// goes from the Unix side, so that nothing is deleted through the link.
void RemoveFolder(const std::string& path);

// A folder of its own under %TEMP%, made empty for the test and removed with
// everything in it afterwards.
class ScratchFolder {
public:
    // In the temporary folder, or in `parent` when given (a folder the folder
    // picker can show: it cannot reach the hidden application-data folder).
    explicit ScratchFolder(const std::string& name, const std::string& parent = {});
    ~ScratchFolder() { RemoveFolder(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string In(const std::string& relative) const { return m_path + "\\" + relative; }

private:
    std::string m_path;
};

}  // namespace testing_support
