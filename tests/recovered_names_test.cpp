// The names a copy writes: made from the found name or the date taken and
// the camera, safe for the file system, within the path limit, and free.
#include "workflow/found/recovered_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "workflow/found/file_name_rules.h"

namespace {

using workflow::NameChoice;
using workflow::NameFacts;

constexpr uint64_t kTaken = 20190504132210;

NameFacts Photo(const char* found, uint64_t taken, const char* camera = "", bool damaged = false) {
    NameFacts facts;
    facts.foundName = found;
    const std::string name = found;
    facts.extension = name.find('.') == std::string::npos ? "" : name.substr(name.rfind('.') + 1);
    facts.photo = true;
    facts.taken = taken;
    facts.camera = camera;
    facts.damaged = damaged;
    return facts;
}

NameFacts File(const char* found, const char* extension) {
    NameFacts facts;
    facts.foundName = found;
    facts.extension = extension;
    return facts;
}

TEST(RecoveredNames, FromFoundNameDateAndCameraForEachChoice) {
    NameFacts withPreview = Photo("f0000009.jpg", kTaken);
    withPreview.previewTaken = 20190504132211;
    NameFacts datedFile = File("f0000010.tif", "tif");
    datedFile.taken = kTaken;
    NameFacts longExtension = Photo("f0000011.jpg", kTaken);
    longExtension.extension = "averyveryverylongext";
    const struct {
        NameFacts facts;
        const char *asFound, *byDate, *inFolders;
    } cases[] = {
        {Photo("f0123456.jpg", kTaken), "f0123456.jpg", "2019-05-04 13.22.10.jpg",
         "2019\\2019-05\\2019-05-04 13.22.10.jpg"},
        {Photo("f0123456.jpg", kTaken, "Canon EOS 400D"), "f0123456.jpg", "2019-05-04 13.22.10 Canon EOS 400D.jpg",
         "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg"},
        {Photo("f0000001.jpg", 0, "Canon EOS 400D"), "f0000001.jpg", "f0000001.jpg", "Undated\\f0000001.jpg"},
        {Photo("f0000002.jpg", 99991231235959), "f0000002.jpg", "f0000002.jpg", "Undated\\f0000002.jpg"},
        {Photo("f0000003.jpg", 20191304132210), "f0000003.jpg", "f0000003.jpg", "Undated\\f0000003.jpg"},
        {withPreview, "f0000009.jpg", "f0000009.jpg", "Undated\\f0000009.jpg"},
        // Damaged: marked before the extension under the date choices only.
        {Photo("b0000004.jpg", kTaken, "", true), "b0000004.jpg", "2019-05-04 13.22.10 (damaged).jpg",
         "2019\\2019-05\\2019-05-04 13.22.10 (damaged).jpg"},
        {Photo("b0000005.jpg", kTaken, "NIKON D90", true), "b0000005.jpg",
         "2019-05-04 13.22.10 NIKON D90 (damaged).jpg",
         "2019\\2019-05\\2019-05-04 13.22.10 NIKON D90 (damaged).jpg"},
        {Photo("b0000006.jpg", 0, "", true), "b0000006.jpg", "b0000006 (damaged).jpg",
         "Undated\\b0000006 (damaged).jpg"},
        {Photo("b0000007", 0, "", true), "b0000007", "b0000007 (damaged)", "Undated\\b0000007 (damaged)"},
        // Other files keep their names, in folders by extension.
        {File("f0000003.zip", "zip"), "f0000003.zip", "f0000003.zip", "Other files\\zip\\f0000003.zip"},
        {File("f0000004", ""), "f0000004", "f0000004", "Other files\\f0000004"},
        {File("f0000005.aux", "aux"), "f0000005.aux", "f0000005.aux", "Other files\\_aux\\f0000005.aux"},
        {File("f0000006.nul", "nul"), "f0000006.nul", "f0000006.nul", "Other files\\_nul\\f0000006.nul"},
        {datedFile, "f0000010.tif", "f0000010.tif", "Other files\\tif\\f0000010.tif"},
        // Names made safe whatever they come from.
        {Photo("f0000008.jpg", kTaken, "Model: X/Y*"), "f0000008.jpg", "2019-05-04 13.22.10 Model X Y.jpg",
         "2019\\2019-05\\2019-05-04 13.22.10 Model X Y.jpg"},
        {File("a:b?.txt", "txt"), "a_b_.txt", "a_b_.txt", "Other files\\txt\\a_b_.txt"},
        {Photo("CON.jpg", 0), "_CON.jpg", "_CON.jpg", "Undated\\_CON.jpg"},
        {Photo("", 0), "file", "file", "Undated\\file"},
        {File("trailing. . ", ""), "trailing", "trailing", "Other files\\trailing"},
        {longExtension, "f0000011.jpg", "2019-05-04 13.22.10", "2019\\2019-05\\2019-05-04 13.22.10"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(workflow::RecoveredName(cases[i].facts, NameChoice::AsFound), cases[i].asFound) << "case " << i;
        EXPECT_EQ(workflow::RecoveredName(cases[i].facts, NameChoice::ByDateTaken), cases[i].byDate) << "case " << i;
        EXPECT_EQ(workflow::RecoveredName(cases[i].facts, NameChoice::ByDateInFolders), cases[i].inFolders)
            << "case " << i;
    }
}

TEST(RecoveredNames, CameraModelsCleanedForANameAndCutAtAWord) {
    const struct {
        std::string model;
        const char* expected;
    } cases[] = {
        {"Canon EOS 400D DIGITAL", "Canon EOS 400D DIGITAL"},
        {"  NIKON   D90  ", "NIKON D90"},
        {"", ""},
        {"   ", ""},
        {"A/B:C*D?E\"F<G>H|I\\J", "A B C D E F G H I J"},
        {"<unknown>", "unknown"},
        {"Corp.", "Corp"},
        {"x\x01y\x7Fz", "x y z"},
        {"...", ""},
        {"Very Long Camera Name With Many Words That Goes On And On", "Very Long Camera Name With Many Words"},
        {std::string(50, 'W'), "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(workflow::CameraPartOfName(cases[i].model), cases[i].expected) << "case " << i;
        EXPECT_LE(workflow::CameraPartOfName(cases[i].model).size(), workflow::kMostCameraChars) << "case " << i;
    }
}

TEST(RecoveredNames, ChoicesKeptInSettingsAndShownInTheDropDown) {
    for (const NameChoice choice : workflow::kNameChoices)
        EXPECT_EQ(workflow::NameChoiceNamed(workflow::NameChoiceName(choice)), choice);
    EXPECT_EQ(workflow::NameChoiceNamed("unknown"), NameChoice::AsFound);
    EXPECT_EQ(workflow::NameChoiceNamed(""), NameChoice::AsFound);
    EXPECT_EQ(workflow::NameChoiceText(NameChoice::AsFound), "As found");
    EXPECT_EQ(workflow::NameChoiceText(NameChoice::ByDateTaken), "By date taken");
    EXPECT_EQ(workflow::NameChoiceText(NameChoice::ByDateInFolders), "By date, in folders");
}

TEST(FileNameRules, ReservedDeviceNamesInAnyCaseAndBeforeAnyExtension) {
    const struct {
        const char* name;
        bool reserved;
    } cases[] = {
        {"CON", true},        {"con", true},        {"CON.jpg", true},     {"CON .jpg", true},  {"AUX.tar.gz", true},
        {"nul", true},        {"PRN", true},        {"COM1", true},        {"com9.txt", true},  {"LPT0", true},
        {"COM\xB9", true},    {"LPT\xB3.x", true},  {"CONIN$", true},      {"conout$.log", true},
        {"CONSOLE", false},   {"COM10", false},     {"xCON", false},       {"", false},         {"COMA", false},
        {"NUL_2.jpg", false}, {"f0000001", false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::IsReservedDeviceName(cases[i].name), cases[i].reserved) << cases[i].name;
}

TEST(FileNameRules, SafeNamesHoldNoForbiddenCharacterNorTrailingDotOrBlank) {
    const struct {
        std::string name;
        const char* expected;
    } cases[] = {
        {"f0000001.jpg", "f0000001.jpg"},
        {"a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
        {"x\x01y\x1F", "x_y_"},
        {"name. . ", "name"},
        {"...", "_"},
        {"", "_"},
        {"nul", "_nul"},
        {"con.", "_con"},
        {"Com1.jpg", "_Com1.jpg"},
        {" leading", " leading"},
        {"caf\xE9.jpg", "caf\xE9.jpg"},  // ANSI letters are names' own
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::SafeNamePart(cases[i].name), cases[i].expected) << "case " << i;
    EXPECT_EQ(workflow::SafeNamePart("", "file"), "file");
}

TEST(FileNameRules, NamesFitThePathLimitKeepingExtensionAndMark) {
    // 260 with the NUL: 259 characters of path, less the folder and its backslash.
    EXPECT_EQ(workflow::MostNameChars("C:\\out", 0), 252u);
    EXPECT_EQ(workflow::MostNameChars("C:\\out\\", 0), 252u);
    EXPECT_EQ(workflow::MostNameChars("C:\\out", 16), 236u);
    EXPECT_EQ(workflow::MostNameChars("", 0), 259u);
    EXPECT_EQ(workflow::MostNameChars(std::string(258, 'a'), 0), 0u);
    EXPECT_EQ(workflow::MostNameChars(std::string(257, 'a'), 0), 1u);

    const std::string longStem(300, 's');
    const struct {
        std::string name;
        size_t most;
        std::optional<std::string> expected;
    } cases[] = {
        {"2019-05-04 13.22.10.jpg", 23, "2019-05-04 13.22.10.jpg"},
        {"2019-05-04 13.22.10 Canon EOS 400D.jpg", 30, "2019-05-04 13.22.10 Canon.jpg"},
        {"2019-05-04 13.22.10 Canon EOS 400D (damaged).jpg", 34, "2019-05-04 13.22.10 (damaged).jpg"},
        {"2019\\2019-05\\2019-05-04 13.22.10.jpg", 20, "2019\\2019-05\\201.jpg"},
        {"2019\\2019-05\\2019-05-04 13.22.10.jpg", 18, "2019\\2019-05\\2.jpg"},
        {"2019\\2019-05\\2019-05-04 13.22.10.jpg", 17, std::nullopt},
        {"a (damaged).jpg", 14, std::nullopt},
        {"noextension", 5, "noext"},
        {"CONSOLE.jpg", 7, "CO.jpg"},  // cut, but not to a device's name
        {"Other files\\COM1x", 16, "Other files\\COM"},
        {longStem + ".jpg", 1000, std::string(251, 's') + ".jpg"},  // one name holds at most 255
        {"folder\\" + longStem + ".jpg", 1000, "folder\\" + std::string(251, 's') + ".jpg"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::FitName(cases[i].name, cases[i].most), cases[i].expected) << "case " << i;
}

TEST(FileNameRules, TakenNamesAreNumberedNeverReplaced) {
    const struct {
        std::string name;
        std::set<std::string> taken;
        size_t most;
        std::optional<std::string> expected;
    } cases[] = {
        {"2019-05-04 13.22.10.jpg", {}, 252, "2019-05-04 13.22.10.jpg"},
        {"2019-05-04 13.22.10.jpg", {"2019-05-04 13.22.10.jpg"}, 252, "2019-05-04 13.22.10 (2).jpg"},
        {"2019-05-04 13.22.10.jpg",
         {"2019-05-04 13.22.10.jpg", "2019-05-04 13.22.10 (2).jpg"},
         252,
         "2019-05-04 13.22.10 (3).jpg"},
        {"2019\\2019-05\\2019-05-04 13.22.10 (damaged).jpg",
         {"2019\\2019-05\\2019-05-04 13.22.10 (damaged).jpg"},
         252,
         "2019\\2019-05\\2019-05-04 13.22.10 (2) (damaged).jpg"},
        {"Other files\\f0000001", {"Other files\\f0000001"}, 252, "Other files\\f0000001 (2)"},
        // At the limit the stem gives way to the number.
        {"abcdef.jpg", {"abcdef.jpg"}, 10, "ab (2).jpg"},
        {"abcdef.jpg", {"abcdef.jpg", "ab (2).jpg"}, 10, "ab (3).jpg"},
        {"ab.jpg", {"ab.jpg"}, 6, std::nullopt},
        {"2019\\2019-05\\2019-05-04 13.22.10.jpg", {}, 10, std::nullopt},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto isTaken = [&](const std::string& name) { return cases[i].taken.count(name) > 0; };
        const auto free = workflow::FirstFreeName(cases[i].name, cases[i].most, isTaken);
        EXPECT_EQ(free, cases[i].expected) << "case " << i;
    }
    // Everything taken: the tries end, and nothing is replaced.
    size_t asked = 0;
    EXPECT_FALSE(workflow::FirstFreeName("a.jpg", 252, [&](const std::string&) { return ++asked, true; }));
    EXPECT_EQ(asked, workflow::kMostNumberTries);
}

}  // namespace
