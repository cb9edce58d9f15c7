#pragma once
// A whole scan of a disk image by the real carver (the tests' photorec
// forwarder), once alone and once through the real main window: the window is
// driven only from outside (control ids, clicks, the texts it shows), from
// Next until the results show and nothing more is listed, while a second
// thread samples how long its thread takes to answer.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/bench/process_memory.h"
#include "tools/bench/stall_sampler.h"

namespace bench {

// How often the window's thread is asked to answer, and the least stall reported.
inline constexpr DWORD kSamplePeriodMs = 20;
inline constexpr double kReportedStallMs = 100;

// False, after saying what is missing and `remedy`, when the image (a Unix
// path) or the forwarder is not there.
bool CarverReady(const std::string& unixImage, const std::string& remedy);

// Reads the whole image once, so that neither timed run pays for the disk.
void WarmUp(const std::string& unixImage);

struct EngineRun {
    double ms = 0;  // from start to end
    DWORD exitCode = 0;
};

// The forwarder run on the image as the window's worker would run the engine
// (the parameter string the saved file types give), writing into
// `scanDir` + ".1" and on; none when it could not start.
std::optional<EngineRun> RunEngineAlone(const std::string& unixImage, const std::string& scanDir);

struct WindowScan {
    bool finished = false;
    double ms = 0;  // from Next until everything is listed and the results show
    int photos = 0;
    int files = 0;
    std::vector<StallSample> samples;  // sent at: relative to Next
    MemoryUse beforeNext;              // the drive selected, Next not yet pressed
    MemoryUse listed;                  // the lists settled
};

// The forwarder installed as the window's engine, the image opened as a disk
// image and its row selected, Next pressed, the window's own timers left to run until the results show
// and the lists have held still for a second, or `boundMs` has passed
// (finished false). The engine and its data folder are removed again.
WindowScan ScanInWindow(const std::string& unixImage, ULONGLONG boundMs);

// Every stall over kReportedStallMs, with its start after `since` (a click).
void PrintStalls(const std::vector<StallSample>& samples, const char* since = "Next");
// How many stalls were over kReportedStallMs.
int CountStalls(const std::vector<StallSample>& samples);
double LongestStall(const std::vector<StallSample>& samples);

}  // namespace bench
