// Which found files become entries, in what order, and what a picture without
// a thumbnail becomes: the rules without a window.
#include "workflow/scan/listing_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <unordered_set>

namespace {

using namespace workflow;
using State = FoundFileState;

const std::string kData = "C:\\data";

TEST(ListingRules, AWalkIsSortedOutInFoundOrder) {
    const struct {
        const char* what;
        std::vector<std::string> walked;  // relative to the data folder
        std::map<std::string, State> states;  // Complete unless named
        std::set<std::string> taken;
        bool lastWalk;
        std::vector<std::string> admitted, unreadable;
        std::vector<std::string> waiting = {};
        std::unordered_set<std::string> photosElsewhere = {};
    } rows[] = {
        {"found order, sub-folders too", {"temp.1\\b.txt", "temp.1\\a.jpg", "temp.1\\x\\c.png"}, {}, {}, false,
         {"temp.1\\b.txt", "temp.1\\a.jpg", "temp.1\\x\\c.png"}, {}},
        {"files already handed over", {"temp.1\\a.jpg", "temp.1\\b.jpg"}, {}, {"temp.1\\a.jpg"}, false,
         {"temp.1\\b.jpg"}, {}},
        {"the engine's log, in an output folder only", {"temp.1\\report.xml", "temp.1\\x\\report.xml", "report.xml"},
         {}, {}, true, {"temp.1\\x\\report.xml", "report.xml"}, {}},
        {"a preview beside its photo, in any output folder",
         {"temp.1\\t0002048.jpg", "temp.2\\f0002048.jpg", "temp.2\\t0003000.jpg", "temp.2\\f0003000.jpg"}, {}, {},
         true, {"temp.2\\f0002048.jpg", "temp.2\\f0003000.jpg"}, {}},
        {"a preview beside a photo the engine marked damaged is a picture of its own",
         {"temp.1\\t0002048.jpg", "temp.1\\b0002048.jpg", "temp.1\\b0003000.fat"}, {}, {}, false,
         {"temp.1\\t0002048.jpg", "temp.1\\b0002048.jpg", "temp.1\\b0003000.fat"}, {}},
        {"a preview whose photo is still being written", {"temp.1\\f0002048.jpg", "temp.1\\t0002048.jpg"},
         {{"temp.1\\f0002048.jpg", State::Busy}}, {}, false, {}, {}, {"temp.1\\f0002048.jpg"}},
        {"a preview without its photo waits while the engine runs", {"temp.1\\t0002048.jpg"}, {}, {}, false, {}, {},
         {"temp.1\\t0002048.jpg"}},
        {"a preview whose photo lay in a folder the walk left out",
         {"temp.2\\t0002048.jpg", "temp.2\\t0003000.jpg"}, {}, {}, false, {}, {}, {"temp.2\\t0003000.jpg"},
         {"0002048"}},
        {"a preview without its photo is listed at last", {"temp.1\\t0002048.jpg", "temp.1\\T0002048.jpg"}, {}, {},
         true, {"temp.1\\t0002048.jpg", "temp.1\\T0002048.jpg"}, {}},
        {"not the engine's names", {"temp.1\\t12.png", "temp.1\\f12.png", "temp.1\\tx12.jpg", "temp.1\\f12x.jpg"}, {},
         {}, false, {"temp.1\\t12.png", "temp.1\\f12.png", "temp.1\\tx12.jpg", "temp.1\\f12x.jpg"}, {}},
        {"busy and unopenable files wait for a later walk", {"temp.1\\a.txt", "temp.1\\b?.doc", "temp.1\\c.txt"},
         {{"temp.1\\a.txt", State::Busy}, {"temp.1\\b?.doc", State::Unopenable}}, {}, false, {"temp.1\\c.txt"}, {},
         {"temp.1\\a.txt", "temp.1\\b?.doc"}},
        {"the last walk reports them", {"temp.1\\a.txt", "temp.1\\b?.doc", "temp.1\\c.txt"},
         {{"temp.1\\a.txt", State::Busy}, {"temp.1\\b?.doc", State::Unopenable}}, {}, true, {"temp.1\\c.txt"},
         {"temp.1\\a.txt", "temp.1\\b?.doc"}},
        {"a vanished file is neither", {"temp.1\\a.txt", "temp.1\\b.txt"}, {{"temp.1\\a.txt", State::Vanished}}, {},
         true, {"temp.1\\b.txt"}, {}},
    };
    const auto full = [](const std::vector<std::string>& relative) {
        std::vector<std::string> paths;
        for (const std::string& path : relative) paths.push_back(kData + "\\" + path);
        return paths;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<FolderEntry> walked;
        for (const std::string& path : full(row.walked)) walked.push_back(FolderEntry{path});
        const auto outcome = SortOutWalk(
            walked, kData, row.lastWalk, row.photosElsewhere,
            [&](const FolderEntry& file) { return row.taken.count(file.path.substr(kData.size() + 1)) != 0; },
            [&](const std::string& path) {
                const auto state = row.states.find(path.substr(kData.size() + 1));
                return state == row.states.end() ? State::Complete : state->second;
            });
        EXPECT_EQ(outcome.admitted, full(row.admitted));
        EXPECT_EQ(outcome.unreadable, full(row.unreadable));
        EXPECT_EQ(outcome.waiting, full(row.waiting));
    }
}

TEST(ListingRules, EveryPictureStartsCheckedAndADamagedPieceOfAnythingElseDoesNot) {
    const struct {
        const char* path;
        bool checked;
    } rows[] = {
        {"C:\\data\\temp.1\\f0002048.jpg", true},  {"C:\\data\\temp.1\\b0002048.jpg", true},
        {"C:\\data\\temp.1\\b0002048.png", true},  {"C:\\data\\temp.1\\f0003000.zip", true},
        {"C:\\data\\temp.1\\b0003000.zip", false}, {"C:\\data\\temp.1\\b0000006.fat", false},
        {"C:\\data\\b.1\\notes.txt", true},
    };
    for (const auto& row : rows) EXPECT_EQ(StartsChecked(row.path), row.checked) << row.path;
}

TEST(ListingRules, APictureWithoutAThumbnailShowsThePlaceholderOrIsNeverLost) {
    const struct {
        bool decoded, placeholder, lastWalk;
        PictureEntry entry;
    } rows[] = {
        {true, true, false, PictureEntry::Photo},        {true, false, true, PictureEntry::Photo},
        {false, true, false, PictureEntry::Placeholder}, {false, true, true, PictureEntry::Placeholder},
        {false, false, false, PictureEntry::Retry},      {false, false, true, PictureEntry::File},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChoosePictureEntry(row.decoded, row.placeholder, row.lastWalk), row.entry)
            << row.decoded << row.placeholder << row.lastWalk;
    }
}

}  // namespace
