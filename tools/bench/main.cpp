// Times the slow steps of a scan under Wine.
//   bench             runs every section but the long ones
//   bench NAME...     runs the named sections
//   bench --list      names the sections
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "tests/support/engine_variables.h"
#include "tools/bench/sections.h"
#include "win/gdiplus_session.h"

namespace {

const bench::Section kSections[] = {
    {"thumbnails", "MakeThumbnail against one plain GDI+ open-and-draw", bench::RunThumbnailSection, false},
    {"scan", "pass step with 100, 10,000 and 50,000 entries listed; the watcher's walks of as many files",
     bench::RunScanSection, false},
    {"memory", "peak memory with 10,000 photo entries", bench::RunMemorySection, false},
    {"photos", "photo pass step with 100 to 20,000 photo entries listed, and memory per entry",
     bench::RunPhotoSection, false},
    {"pace", "a camera card scanned by the main window against the engine alone, and the window's stalls",
     bench::RunPaceSection, false},
    {"scale", "N tiny GIFs and N small ZIPs (N: VANTREO_SCALE_N, or 40,000) scanned by the main window against the engine "
              "alone, its stalls and memory an entry",
     bench::RunScaleSection, true},
    {"view", "80,000 photos filtered and ordered, new ones placed in an order, and a photo's facts against its thumbnail",
     bench::RunViewSection, false},
    {"copy", "1,000 files of 256 KB and 200 photos of 5 MB copied by the main window against xcopy, and its stalls",
     bench::RunCopySection, false},
    {"close", "the main window closed with 20,000 found files left against rmdir /s /q of as many",
     bench::RunCloseSection, false},
};

bool g_failed = false;

const bench::Section* FindSection(const char* name) {
    for (const bench::Section& section : kSections)
        if (std::strcmp(section.name, name) == 0) return &section;
    return nullptr;
}

void RunSection(const bench::Section& section) {
    std::printf("== %s: %s\n", section.name, section.description);
    std::fflush(stdout);
    section.run();
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

void bench::MarkFailed() { g_failed = true; }

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const bench::Section& section : kSections)
            std::printf("%-12s %s%s\n", section.name, section.description,
                        section.onlyWhenNamed ? " (only when named)" : "");
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (!FindSection(argv[i])) {
            std::fprintf(stderr, "unknown section \"%s\" (try --list)\n", argv[i]);
            return 2;
        }
    }

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const win::GdiplusSession gdiplus;
    // The sections configure the test engines by variables, which the program
    // does not hand to the engine it starts.
    const testing_support::EngineVariablesPassed engineVariables;

    if (argc == 1) {
        for (const bench::Section& section : kSections)
            if (!section.onlyWhenNamed) RunSection(section);
    } else {
        for (int i = 1; i < argc; ++i) RunSection(*FindSection(argv[i]));
    }
    return g_failed ? 1 : 0;
}
