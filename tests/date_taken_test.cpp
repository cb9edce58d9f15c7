// Which EXIF dates are believed: a bad date is no date.
#include "imaging/date_taken.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(DateTaken, OnlyRealMomentsInTheExifLayoutWithinTheYearsBelieved) {
    const struct {
        std::string text;
        uint64_t expected;  // 0: no date
    } cases[] = {
        {"2019:05:04 13:22:10", 20190504132210},
        {"2019:05:04 13:22:10\0"s, 20190504132210},  // the NUL the field ends with
        {"2019:05:04 13:22:10  ", 20190504132210},
        {"", 0},
        {"0000:00:00 00:00:00", 0},  // a camera without a set clock
        {"    :  :     :  :  ", 0},
        {"2019:13:04 13:22:10", 0},
        {"2019:00:04 13:22:10", 0},
        {"2019:05:00 13:22:10", 0},
        {"0001:01:01 00:00:00", 0},
        {"9999:12:31 23:59:59", 0},
        {"1825:12:31 23:59:59", 0},
        {"1826:01:01 00:00:00", 18260101000000},
        {"2099:12:31 23:59:59", 20991231235959},
        {"2100:01:01 00:00:00", 0},
        {"2019:02:29 10:00:00", 0},
        {"2020:02:29 10:00:00", 20200229100000},
        {"1900:02:29 10:00:00", 0},
        {"2000:02:29 10:00:00", 20000229100000},
        {"2019:04:31 10:00:00", 0},
        {"2019:05:04 24:00:00", 0},
        {"2019:05:04 23:60:00", 0},
        {"2019:05:04 23:59:60", 20190504235960},  // a leap second
        {"2019-05-04 13:22:10", 0},  // other layouts
        {"2019/05/04 13:22:10", 0},
        {"2019:05:04T13:22:10", 0},
        {"04.05.2019 13:22:10", 0},
        {"2019:05:04", 0},
        {"2019:05:04 13:22", 0},
        {" 2019:05:04 13:22:10", 0},
        {"2019:05:04 13:22:10x", 0},
        {"2019:05:04 13:22:1O", 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto date = imaging::ParseDateTaken(cases[i].text);
        EXPECT_EQ(date ? date->Number() : 0, cases[i].expected) << "case " << i << ": " << cases[i].text;
        // The number as PictureFacts keeps it is judged the same way.
        if (cases[i].expected) {
            EXPECT_TRUE(imaging::DateTakenOf(cases[i].expected)) << "case " << i;
        }
    }
    for (uint64_t number : {uint64_t{0}, uint64_t{20191304132210}, uint64_t{99991231235959}, uint64_t{10101000000},
                            uint64_t{20190230000000}, uint64_t{120190504132210}})
        EXPECT_FALSE(imaging::DateTakenOf(number)) << number;
    EXPECT_EQ(imaging::DateTakenOf(20190504132210)->Text(), "2019-05-04 13:22:10");
}

TEST(DateTaken, APreviewWithAnotherDateLeavesThePhotoWithout) {
    const struct {
        uint64_t photo, preview, expected;
    } cases[] = {
        {20190504132210, 0, 20190504132210},
        {20190504132210, 20190504132210, 20190504132210},
        {20190504132210, 20190504132211, 0},
        {0, 20190504132210, 0},
        {99991231235959, 0, 0},
        {99991231235959, 99991231235959, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto date = imaging::AgreedDateTaken(cases[i].photo, cases[i].preview);
        EXPECT_EQ(date ? date->Number() : 0, cases[i].expected) << "case " << i;
    }
}

}  // namespace
