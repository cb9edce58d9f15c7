// The engine's parameter string, built from the scan folder, device and format list.
#include <gtest/gtest.h>

#include <string>

#include "workflow/engine_command.h"

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

}  // namespace
