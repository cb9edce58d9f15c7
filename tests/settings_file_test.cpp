// The settings lines as read and written, and the two files beside the program.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "settings/folders.h"
#include "settings/setting_lines.h"
#include "settings/settings_file.h"
#include "tests/support/files.h"
#include "tests/support/message_boxes.h"

namespace {

using settings::FindSettingValue;
using testing_support::ReadFile;
using testing_support::WriteFile;

std::string SaveDir(const std::string& content) { return FindSettingValue(content, "savedir=", "DEFAULT"); }

TEST(SettingLines, LastLineStartingExactlyWithTheKeyGivesTheValueVerbatim) {
    const std::string value251(251, 'v');
    std::string overLong = std::string(259, 'a') + "savedir=X";
    overLong += std::string(300 - overLong.size(), 'b');
    const struct {
        std::string content, value;
    } rows[] = {
        {"", "DEFAULT"}, {"formats=jpg\n\n", "DEFAULT"}, {"savedi\n", "DEFAULT"},  // missing key: the fallback
        {"savedir=C:\\a\nsavedir=C:\\b\n", "C:\\b"}, {"savedir=C:\\a\nother\n\n", "C:\\a"},  // last match wins
        {"Savedir=C:\\a\n", "DEFAULT"}, {" savedir=C:\\a\n", "DEFAULT"},  // the key must start the line exactly
        {"savedir=C:\\a\nSavedir=C:\\b\n savedir=C:\\c\n", "C:\\a"},
        {"savedir=C:\\a \n", "C:\\a "}, {"savedir= C:\\a\n", " C:\\a"}, {"savedir=\n", ""},  // verbatim
        {"savedir=savedir=x\n", "savedir=x"},
        // A carriage return before the line feed is not part of the value.
        {"savedir=C:\\a\r\n", "C:\\a"}, {"savedir=C:\\a\r\nsavedir=C:\\b\r\n", "C:\\b"},
        {"savedir=a\rb\r\n", "a\rb"}, {"savedir=C:\\a\r\r\n", "C:\\a\r"},
        {"x\nsavedir=C:\\last", "C:\\last"}, {"savedir=C:\\a\nsavedir=C:\\last", "C:\\last"},  // no final LF
        // The tail of an over-long line is never a line.
        {overLong + "\n", "DEFAULT"}, {overLong, "DEFAULT"}, {"savedir=kept\n" + overLong + "\n", "kept"},
        {overLong + "\nsavedir=after\n", "after"},
        // A value cut to fit the 259-character line buffer would name another folder.
        {"savedir=" + value251 + "\n", value251}, {"savedir=" + value251 + "\r\n", value251},
        {"savedir=" + value251, value251}, {"savedir=kept\nsavedir=" + value251 + "w\n", "kept"},
        {std::string("savedir=C:\\a\0junk\n", 18), "C:\\a"}, {std::string("save\0dir=C:\\a\n", 15), "DEFAULT"},
    };
    for (const auto& row : rows) EXPECT_EQ(SaveDir(row.content), row.value) << testing::PrintToString(row.content);
}

// Files are read in pieces: a CR at the end of one piece must still be dropped
// when the next begins with its LF.
TEST(SettingLines, PiecesOfAnySizeReadAlike) {
    const std::string longLine = std::string(259, 'a') + "savedir=X" + std::string(40, 'b');
    for (const std::string& content :
         {std::string("savedir=C:\\a\r\nsavedir=C:\\b\r\n"), std::string("savedir=a\rb\r\n"),
          std::string("savedir=C:\\a\r"), "savedir=kept\n" + longLine + "\nx\r\n",
          "savedir=" + std::string(251, 'v') + "\r\n"}) {
        settings::SettingLineScanner scanner("savedir=", "DEFAULT");
        for (char c : content) scanner.Feed(std::string_view(&c, 1));
        EXPECT_EQ(scanner.Finish(), SaveDir(content)) << content;
    }
}

TEST(SettingsPath, DriveRootLosesItsBackslashAndTheProgramFolderIsThisExecutables) {
    EXPECT_EQ(settings::WithoutTrailingBackslash("D:\\"), "D:");
    EXPECT_EQ(settings::WithoutTrailingBackslash("C:\\Photos\\"), "C:\\Photos");
    EXPECT_EQ(settings::WithoutTrailingBackslash("C:\\Photos"), "C:\\Photos");
    EXPECT_EQ(settings::WithoutTrailingBackslash(""), "");

    // The program folder is this executable's folder, with a backslash.
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string folder = settings::GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder + "vantreo_tests.exe", module);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { RemoveFiles(); }
    void TearDown() override { RemoveFiles(); }
    static void RemoveFiles() {
        for (const std::string& path : {settings::SaveFolderPath(), settings::FormatListPath()}) {
            DeleteFileA(path.c_str());
            RemoveDirectoryA(path.c_str());
        }
    }
};

TEST_F(SettingsFile, FilesBesideTheProgramAreShownAndStoredAsExactlyOneCrLfLine) {
    EXPECT_EQ(settings::SaveFolderPath(), settings::GetProgramFolder() + "settings.ini");
    EXPECT_EQ(settings::FormatListPath(), settings::GetProgramFolder() + "formats.ini");
    WriteFile(settings::SaveFolderPath(), "savedir=C:\\a\nsavedir=C:\\b\n");
    EXPECT_EQ(settings::LoadSaveFolder(), "C:\\b");
    WriteFile(settings::SaveFolderPath(), "# old\nsavedir=C:\\old\nformats=jpg\nmore\n");
    settings::StoreSaveFolder("D:");
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=D:\r\n");
    EXPECT_EQ(settings::LoadSaveFolder(), "D:");
    // The choices follow the folder's line, each kept when another is stored.
    settings::StoreNaming("date-folders");
    settings::StorePhotoView(false, "", true);
    settings::StoreWriteList(false);
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=D:\r\nhidecopies=1\r\nnaming=date-folders\r\nwritelist=0\r\n");
    EXPECT_TRUE(settings::LoadHideCopies());
    EXPECT_EQ(settings::LoadNaming(), "date-folders");
    settings::StoreNaming("");
    settings::StorePhotoView(false, "", false);
    settings::StoreWriteList(true);
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=D:\r\n");

    settings::StoreFormatList("jpg,png");
    EXPECT_EQ(ReadFile(settings::FormatListPath()), "formats=jpg,png\r\n");
    EXPECT_EQ(settings::LoadFormatList(), "jpg,png");
    settings::StoreFormatList("");  // an empty list is kept as empty
    EXPECT_EQ(ReadFile(settings::FormatListPath()), "formats=\r\n");
    EXPECT_EQ(settings::LoadFormatList(), "");

    // A value with a line feed is not written.
    WriteFile(settings::FormatListPath(), "formats=gif\n");
    EXPECT_FALSE(settings::WriteSetting(settings::FormatListPath(), "formats=", "jpg\nsavedir=x"));
    EXPECT_EQ(ReadFile(settings::FormatListPath()), "formats=gif\n");
}

TEST_F(SettingsFile, MissingFilesFoldersInTheirPlaceOrFilesHeldOpenGiveTheDefaults) {
    for (bool folders : {false, true}) {
        if (folders) ASSERT_TRUE(CreateDirectoryA(settings::SaveFolderPath().c_str(), nullptr));
        if (folders) ASSERT_TRUE(CreateDirectoryA(settings::FormatListPath().c_str(), nullptr));
        EXPECT_EQ(settings::LoadSaveFolder(), settings::GetPicturesFolder());
        EXPECT_EQ(settings::LoadFormatList(), "jpg,gif,png,bmp,tif,raw");
    }
    EXPECT_FALSE(settings::WriteSetting(settings::FormatListPath(), "formats=", "jpg"));

    // So does a file that cannot be opened.
    RemoveFiles();
    WriteFile(settings::FormatListPath(), "formats=png\n");
    HANDLE locked = CreateFileA(settings::FormatListPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(settings::LoadFormatList(), "jpg,gif,png,bmp,tif,raw");
    CloseHandle(locked);
    EXPECT_EQ(settings::LoadFormatList(), "png");
}

// The folder picker is driven the way a user would: the selection is set and
// OK pressed as soon as the picker activates.
class FolderPicker : public SettingsFile {
protected:
    bool Browse(const char* choice) {
        return testing_support::AnswerFolderPicker(choice, [&] { m_chosen = settings::BrowseForSaveFolder(nullptr); });
    }
    std::optional<std::string> m_chosen{"before"};
};

TEST_F(FolderPicker, DriveRootIsStoredWithoutItsBackslashAndCancelChangesNothing) {
    ASSERT_TRUE(Browse(nullptr));
    EXPECT_EQ(m_chosen, std::nullopt);
    EXPECT_FALSE(testing_support::FileExists(settings::SaveFolderPath()));
    ASSERT_TRUE(Browse("C:\\"));
    EXPECT_EQ(m_chosen, "C:");
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=C:\r\n");
}

}  // namespace
