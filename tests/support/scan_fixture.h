#pragma once
// The main window with a test engine installed: start a scan, watch the lists.
#include <memory>
#include <string>
#include <vector>

#include "tests/engines/engine_paths.h"
#include "tests/support/main_window.h"
#include "tests/support/scoped_environment.h"
#include "win/controls/list_view.h"

namespace testing_support {

struct FileRow { std::string name, size, extension; bool checked = false; };

// How many engine processes (photo.exe) run; with `terminate`, they are ended
// as well, so that one failed test leaves none behind for the next.
int EngineProcesses(bool terminate);

class ScanTest : public MainWindowTest {
protected:
    void TearDown() override;

    void SetEnvironment(const char* name, const std::string& value);
    // The stand-in engine, writing `fixtures` quickly (nothing when empty: the
    // test writes the found files itself); it hangs at the end when asked.
    void InstallStandIn(const std::string& fixtures, bool hang);
    void SelectDrive(const std::string& name);
    // Opens the window, selects C: and presses Next.
    void StartScan();
    bool WaitForResults(DWORD timeoutMs = 20000);
    bool InResultsMode() const;
    // The scan ended without anything to list: back to choosing a drive.
    bool WaitForDriveSelection(DWORD timeoutMs = 20000);
    // Cancel answered Yes; true once the last listing after it has ended.
    bool CancelUntilListed();

    win::ListView List(int id) const { win::ListView list; list.Attach(Item(id)); return list; }
    std::vector<std::string> PhotoPaths() const;
    std::vector<bool> PhotoChecks() const;
    // Checks or unchecks entries as a user does, by clicking their boxes.
    void ClickCheckBox(int list, int index) const;
    void SetChecks(int list, const std::vector<bool>& checks) const;
    std::vector<FileRow> FileRows() const;
    std::vector<std::string> FileNames() const;  // in the list's order
    // A click on a column header of the file list.
    void ClickFileListHeader(int column);

    std::string ScanOutput() const { return DataFolder() + "\\temp.1"; }
    std::string EngineLog() const { return ReadFile(m_logPath); }

    ScratchFolder m_scratch{"scan"};
    std::string m_logPath = m_scratch.In("engine-log.txt");
    std::vector<std::unique_ptr<ScopedEnvironment>> m_environment;
};

}  // namespace testing_support
