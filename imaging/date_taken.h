#pragma once
// When a photo was taken, as far as its EXIF date can be believed. Cameras
// without a set clock write zeros, blanks or nonsense; some programs write the
// date in another layout. A date that is not a real moment of a plausible
// year is no date: a name or an order made from it would only mislead.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace imaging {

// The years believed. Photographs exist from the 1820s and archives give
// scanned prints their historical dates, so the first year is generous; no
// camera of this century writes a year past the last, while clocks run wild
// to 9999 or reset to 0001.
inline constexpr unsigned kFirstYearTaken = 1826;
inline constexpr unsigned kLastYearTaken = 2099;

struct DateTaken {
    unsigned year = 0, month = 0, day = 0;
    unsigned hour = 0, minute = 0, second = 0;

    // YYYYMMDDhhmmss, the form PictureFacts keeps.
    uint64_t Number() const;
    // "2019-05-04 13:22:10"
    std::string Text() const;
};

// The date of a YYYYMMDDhhmmss number when it is a real moment (the day
// exists in its month, a leap second allowed) within the years believed.
std::optional<DateTaken> DateTakenOf(uint64_t number);

// An EXIF date text, "YYYY:MM:DD hh:mm:ss" exactly (NULs or blanks may pad it
// after), checked as DateTakenOf checks a number; none for any other layout.
std::optional<DateTaken> ParseDateTaken(std::string_view text);

// The photo's date unless its embedded preview says another: a preview
// written by the camera at the same moment carries the same date, so a
// different one means one of them was rewritten. 0 stands for no date.
std::optional<DateTaken> AgreedDateTaken(uint64_t photo, uint64_t preview);

}  // namespace imaging
