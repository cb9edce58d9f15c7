// What choosing what the photo list shows costs the window's thread: every
// photo of a whole disk filtered and ordered again, new photos placed in an
// order, and the facts read for each thumbnail against the thumbnail itself.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/picture_facts.h"
#include "tests/support/pump.h"
#include "tools/bench/file_bytes.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "workflow/found/photo_view.h"
#include "workflow/thumbnails/thumbnails.h"

namespace bench {

namespace {

constexpr int kPhotos = 80'000;
constexpr int kArrivals = 2'000;
constexpr int kRepeats = 5;

// Half icons and web graphics, half photos, a third of them without a date,
// in the random order a disk gives them back.
std::vector<workflow::FoundPhoto> WholeDisk() {
    std::mt19937 random(7);
    std::vector<workflow::FoundPhoto> photos(kPhotos);
    for (int i = 0; i < kPhotos; ++i) {
        workflow::FoundPhoto& photo = photos[static_cast<size_t>(i)];
        const bool small = random() % 2 == 0;
        photo.facts.width = small ? 16 + random() % 200 : 1024 + random() % 5000;
        photo.facts.height = small ? 16 + random() % 200 : 768 + random() % 3000;
        photo.facts.taken = random() % 3 == 0 ? 0 : 20000101000000 + uint64_t{random() % 25} * 10000000000 + random() % 1000000;
        photo.fileSize = small ? 100 + random() % 20000 : 500'000 + random() % 10'000'000;
        photo.foundIndex = static_cast<uint32_t>(i);
    }
    return photos;
}

void RunArrangeTable() {
    std::vector<workflow::FoundPhoto> photos = WholeDisk();
    std::vector<workflow::FoundPhoto*> found;
    for (workflow::FoundPhoto& photo : photos) found.push_back(&photo);
    std::printf("%-34s %10s %14s %16s\n", "80,000 photos", "shown", "arrange ms", "2,000 placed ms");
    for (const bool hideSmall : {false, true}) {
        for (const workflow::PhotoOrder order :
             {workflow::PhotoOrder::Found, workflow::PhotoOrder::DateTaken, workflow::PhotoOrder::LargestFile}) {
            const workflow::PhotoView view{hideSmall, order};
            std::vector<double> arrange;
            std::vector<workflow::FoundPhoto*> shown;
            for (int run = 0; run < kRepeats; ++run) {
                const Stopwatch watch;
                shown = workflow::Arrange(found, view);
                arrange.push_back(watch.ElapsedMs());
            }
            // The last arrivals of a scan, each put in its place among those shown.
            std::vector<workflow::FoundPhoto*> before(found.begin(), found.end() - kArrivals);
            std::vector<workflow::FoundPhoto*> list = workflow::Arrange(before, view);
            const Stopwatch placing;
            for (auto it = found.end() - kArrivals; it != found.end(); ++it) {
                if (!workflow::IsShown(**it, view)) continue;
                list.insert(list.begin() + static_cast<ptrdiff_t>(workflow::PlaceOf(list, **it, order)), *it);
            }
            const double placed = placing.ElapsedMs();
            const char* names[] = {"found order", "date taken", "largest file"};
            std::printf("%-34s %10zu %14.1f %16.1f\n",
                        (std::string(hideSmall ? "small hidden, " : "all, ") + names[static_cast<int>(order)]).c_str(),
                        shown.size(), Best(arrange), placed);
        }
    }
    std::printf("arrange: best of %d; placed: one run of %d arrivals\n", kRepeats, kArrivals);
}


void RunFactsTable() {
    std::printf("\n%-34s %14s %14s %8s\n", "facts of a photo", "facts ms", "thumbnail ms", "share");
    const std::string folder = std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/jpeg-camera/";
    for (const char* name : {"gps-DSCN0010.jpg", "exif-org-nikon-e950.jpg", "orientation-portrait_6.jpg"}) {
        const std::string path = testing_support::WindowsPath(folder + name);
        const std::vector<uint8_t> bytes = ReadWhole(path);
        std::vector<double> facts, thumbnails;
        for (int run = 0; run < kRepeats * 4; ++run) {
            {
                const Stopwatch watch;
                for (int i = 0; i < 100; ++i) imaging::ReadPictureFacts(bytes);
                facts.push_back(watch.ElapsedMs() / 100);
            }
            {
                const Stopwatch watch;
                workflow::MakeThumbnail(path);
                thumbnails.push_back(watch.ElapsedMs());
            }
        }
        std::printf("%-34s %14.4f %14.2f %7.2f%%\n", name, Best(facts), Best(thumbnails),
                    100 * Best(facts) / std::max(Best(thumbnails), 0.0001));
    }
    std::printf("best of %d; the thumbnail includes reading the facts\n", kRepeats * 4);
}

}  // namespace

void RunViewSection() {
    RunArrangeTable();
    RunFactsTable();
}

}  // namespace bench
