// The engine's parameter string, built from the scan folder, device and format list.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include <vector>

#include "workflow/engine/engine_command.h"
#include "workflow/engine/engine_environment.h"

namespace {

using workflow::BuildEngineCommand;
using workflow::FileOptionPart;

const std::string kScanDir = "C:\\users\\ann\\AppData\\Roaming\\Norvale\\Vantreo\\data\\temp";
const std::string kPrefix = "/d \"" + kScanDir + "\" /cmd /dev/sda partition_none,options,keep_corrupted_file,";

std::optional<std::string> CommandFor(const std::string& formatList) {
    return BuildEngineCommand(kScanDir, "/dev/sda", formatList);
}

TEST(EngineCommand, EverythingFormatsSearchEverythingOnTheWholeDiskAndNamedOnesAreEnabledInTheEngineOrder) {
    for (const char* formats :
         {"jpg,gif,png,bmp,tif,raw", "raw", "txt", "doc", "wav", "avi", "wmv", "mp4", "3gp",
          "jpg,gif,png,bmp,tif,avi,mpg,dat,wmv,asf,mp3,mp4,mov,3gp,rm,pdf,swf,doc,txt,wav,pst,zip,rar,raw"})
        EXPECT_EQ(CommandFor(formats), kPrefix + "fileopt,everything,enable,search") << formats;

    // Named formats are enabled one by one in the engine's order, whatever the list's order.
    for (const char* format :
         {"jpg", "gif", "png", "bmp", "tif", "mpg", "dat", "asf", "mp3", "mov", "rm", "pdf", "swf", "pst", "zip", "rar"})
        EXPECT_EQ(CommandFor(format), kPrefix + "fileopt,everything,disable," + format + ",enable,search") << format;
    EXPECT_EQ(CommandFor("rar,zip,pst,swf,pdf,rm,mov,mp3,asf,dat,mpg,tif,bmp,png,gif,jpg"),
              kPrefix +
                  "fileopt,everything,disable,jpg,enable,gif,enable,png,enable,bmp,enable,tif,enable,mpg,enable,"
                  "dat,enable,asf,enable,mp3,enable,mov,enable,rm,enable,pdf,enable,swf,enable,pst,enable,"
                  "zip,enable,rar,enable,search");
}

TEST(EngineCommand, MembershipIsACaseSensitiveSubstringNoFormatOrABadFolderGivesNoCommand) {
    EXPECT_EQ(CommandFor("jpgx"), kPrefix + "fileopt,everything,disable,jpg,enable,search");
    EXPECT_EQ(CommandFor("tiff"), kPrefix + "fileopt,everything,disable,tif,enable,search");
    EXPECT_EQ(CommandFor("jpg, gif"), kPrefix + "fileopt,everything,disable,jpg,enable,gif,enable,search");
    EXPECT_EQ(CommandFor("JPG"), std::nullopt);
    EXPECT_EQ(CommandFor("RAW,Avi"), std::nullopt);
    EXPECT_EQ(CommandFor(""), std::nullopt);
    EXPECT_EQ(FileOptionPart(""), std::nullopt);
    EXPECT_EQ(CommandFor("jp,g"), std::nullopt);

    // The device is passed through. The engine's runtime reads \" as an escaped
    // quote: a folder that would break the quotes swallows the rest, and is refused.
    EXPECT_EQ(BuildEngineCommand("D:\\d\\temp_1", "/dev/sdab", "png"),
              "/d \"D:\\d\\temp_1\" /cmd /dev/sdab partition_none,options,keep_corrupted_file,fileopt,everything,disable,png,enable,search");
    for (const char* folder : {"C:\\data\\temp\\", "C:\\", "C:\\da\"ta", ""})
        EXPECT_EQ(BuildEngineCommand(folder, "/dev/sda", "jpg"), std::nullopt) << folder;
}

// A disk image's full path takes the device's place, quoted only when a blank
// would split it; what would break the quotes is refused as for the folder.
TEST(EngineCommand, AnImagesPathIsTheDeviceQuotedWhenItHoldsABlank) {
    const struct {
        const char* image;
        const char* device;  // as the command names it; null: refused
    } rows[] = {
        {"D:\\cards\\card.img", "D:\\cards\\card.img"},
        {"D:\\my cards\\camera card.dd", "\"D:\\my cards\\camera card.dd\""},
        {"\\\\nas\\backups\\sd\tcard.img", "\"\\\\nas\\backups\\sd\tcard.img\""},
        {"D:\\caf\xE9\\card.001", "D:\\caf\xE9\\card.001"},
        {"D:\\a \"b\".img", nullptr},
        {"D:\\a b\\", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        const std::optional<std::string> command = BuildEngineCommand(kScanDir, row.image, "jpg");
        if (!row.device) {
            EXPECT_EQ(command, std::nullopt) << row.image;
            continue;
        }
        EXPECT_EQ(command, "/d \"" + kScanDir + "\" /cmd " + row.device +
                               " partition_none,options,keep_corrupted_file,fileopt,everything,disable,jpg,enable,search")
            << row.image;
    }
}

}  // namespace

namespace {

std::vector<std::string> Entries(const std::string& block) {
    std::vector<std::string> entries;
    for (size_t at = 0; at < block.size() && block[at]; at = block.find('\0', at) + 1)
        entries.push_back(block.substr(at, block.find('\0', at) - at));
    return entries;
}

// The engine runs as administrator: none of the user's variables reach it, and
// TEMP, TMP, PATH and the Windows folder are the program's own, whatever the
// system's list says.
TEST(EngineEnvironment, HoldsTheSystemsVariablesATempOfItsOwnAndAPathOfSystemFoldersAndTheEngine) {
    const workflow::Variables system{{"ComSpec", "C:\\Windows\\System32\\cmd.exe"},
                                     {"Path", "C:\\Users\\ann\\bin"},
                                     {"tmp", "C:\\Users\\ann\\Temp"},
                                     {"windir", "D:\\elsewhere"},
                                     {"A=B", "split"}};
    const std::string block = workflow::EngineEnvironmentBlock(system, "C:\\Windows", "C:\\AppData\\Norvale\\Vantreo",
                                                               "C:\\Windows\\Temp\\Vantreo-1");
    EXPECT_EQ(block.substr(block.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(Entries(block), (std::vector<std::string>{
                                  "ComSpec=C:\\Windows\\System32\\cmd.exe",
                                  "Path=C:\\Windows\\System32;C:\\Windows;C:\\Windows\\System32\\Wbem;"
                                  "C:\\AppData\\Norvale\\Vantreo",
                                  "SystemDrive=C:",
                                  "SystemRoot=C:\\Windows",
                                  "TEMP=C:\\Windows\\Temp\\Vantreo-1",
                                  "tmp=C:\\Windows\\Temp\\Vantreo-1",
                                  "windir=C:\\Windows",
                              }));
}

TEST(EngineEnvironment, SystemVariablesComeFromTheMachineNotFromTheProgramsOwnEnvironment) {
    SetEnvironmentVariableA("CYGWIN", "error_start=C:\\Users\\ann\\evil.exe");
    const workflow::Variables system = workflow::SystemVariables();
    SetEnvironmentVariableA("CYGWIN", nullptr);
    EXPECT_EQ(system.count("CYGWIN"), 0u);
    ASSERT_EQ(system.count("ComSpec"), 1u);
    EXPECT_EQ(system.at("ComSpec").find('%'), std::string::npos) << system.at("ComSpec");

    // A new folder each time, below the system's temporary folder, where users cannot open it.
    const std::optional<std::string> first = workflow::MakeAdministratorsOnlyFolder();
    const std::optional<std::string> second = workflow::MakeAdministratorsOnlyFolder();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->rfind(workflow::WindowsFolder() + "\\Temp\\", 0), 0u) << *first;
    EXPECT_NE(GetFileAttributesA(first->c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    RemoveDirectoryA(first->c_str());
    RemoveDirectoryA(second->c_str());
}

}  // namespace
