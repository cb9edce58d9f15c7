// The photo list on a large card, driven through the real main window: one
// listing tick (a small picture becomes a thumbnail entry) with N photo entries
// already listed, and the private bytes each entry costs.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/process_memory.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/main_dialog.h"

namespace bench {

namespace {

// The machine may be shared: many steps give a median that a short burst of
// other work does not move, and the first steps after a fill are left out
// since they still pay for pages the fill left cold.
constexpr int kRepeats = 15;
constexpr int kWarmUps = 3;
constexpr int kMemoryCount = 10000;
const int kCounts[] = {100, 1000, kMemoryCount, 20000};
constexpr double kThumbnailBytes = 64 * 64 * 3;

// Fills the one window up to each count in turn, so the largest is listed
// only once; the pictures of the timed steps count among the listed ones.
class PhotoRun {
public:
    explicit PhotoRun(std::string jpeg) : m_jpeg(std::move(jpeg)) {}

    void ListUpTo(int count) {
        const int listed = ListCount(m_hwnd, IDC_PHOTO_LIST);
        if (listed >= count) return;
        WriteResults(m_next, count - listed, "jpg", m_jpeg);
        m_next += count - listed;
        bench::ListUpTo(m_hwnd, IDC_PHOTO_LIST, count);
    }

    // One new picture is found by a walk, then the listing tick that lists it
    // is timed; the repaint the tick leaves behind is timed apart.
    void TimeOneStep(std::vector<double>& steps, std::vector<double>& paints) {
        const int listed = Listed();
        WriteResults(m_next++, 1, "jpg", m_jpeg);
        steps.push_back(TimeListingTickUntil(m_hwnd, [&] { return Listed() > listed; }));
        Stopwatch paint;
        UpdateWindow(GetDlgItem(m_hwnd, IDC_PHOTO_LIST));
        paints.push_back(paint.ElapsedMs());
    }

    void Open(int count) {
        m_hwnd = OpenScanning(m_dialog);
        ListUpTo(count);
    }
    int Listed() const { return ListCount(m_hwnd, IDC_PHOTO_LIST); }
    ~PhotoRun() {
        if (m_hwnd) CloseScanning(m_hwnd);
    }

private:
    std::string m_jpeg;
    workflow::MainDialog m_dialog;
    HWND m_hwnd = nullptr;
    int m_next = 0;
};

}  // namespace

void RunPhotoSection() {
    // Any small picture: every thumbnail costs the same 64 x 64 in the image list.
    std::ifstream in(settings::GetProgramFolder() + "sample.jpg", std::ios::binary);
    std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (jpeg.empty()) {
        std::printf("sample.jpg missing beside bench.exe\n");
        return;
    }
    const size_t privateBefore = MemoryNow().privateBytes;
    PhotoRun run(jpeg);
    double firstStep = 0;
    double memoryStep = 0;
    for (int count : kCounts) {
        Stopwatch fill;
        if (count == kCounts[0])
            run.Open(count);
        else
            run.ListUpTo(count);
        const double fillSeconds = fill.ElapsedMs() / 1000.0;
        if (count == kMemoryCount) {
            const double perEntry = static_cast<double>(MemoryNow().privateBytes - privateBefore) / run.Listed();
            std::printf("%8d photos | private bytes %.1f KB per entry (the thumbnail alone %.1f KB)\n", count,
                        perEntry / 1024.0, kThumbnailBytes / 1024.0);
        }
        std::vector<double> steps, paints;
        for (int i = 0; i < kWarmUps + kRepeats; ++i) run.TimeOneStep(steps, paints);
        steps.erase(steps.begin(), steps.begin() + kWarmUps);
        paints.erase(paints.begin(), paints.begin() + kWarmUps);
        std::printf("%8d photos | listing tick %8.3f ms (best %8.3f) | repaint %8.3f ms | filled in %6.1f s\n", count,
                    Median(steps), Best(steps), Median(paints), fillSeconds);
        std::fflush(stdout);
        if (count == kCounts[0]) firstStep = Median(steps);
        if (count == kMemoryCount) memoryStep = Median(steps);
    }
    std::printf("photos: step ratio 10000/100 %.2f\n", firstStep > 0 ? memoryStep / firstStep : 0.0);
}

}  // namespace bench
