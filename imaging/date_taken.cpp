#include "imaging/date_taken.h"

#include <cstdio>

namespace imaging {

namespace {

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysIn(unsigned month, unsigned year) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

uint64_t DateTaken::Number() const {
    return ((((uint64_t{year} * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 + second;
}

std::string DateTaken::Text() const {
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute, second);
    return text;
}

std::optional<DateTaken> DateTakenOf(uint64_t number) {
    DateTaken date;
    date.second = static_cast<unsigned>(number % 100);
    date.minute = static_cast<unsigned>(number / 100 % 100);
    date.hour = static_cast<unsigned>(number / 10000 % 100);
    date.day = static_cast<unsigned>(number / 1000000 % 100);
    date.month = static_cast<unsigned>(number / 100000000 % 100);
    const uint64_t year = number / 10000000000;
    if (year < kFirstYearTaken || year > kLastYearTaken) return std::nullopt;
    date.year = static_cast<unsigned>(year);
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > DaysIn(date.month, date.year) ||
        date.hour > 23 || date.minute > 59 || date.second > 60)
        return std::nullopt;
    return date;
}

std::optional<DateTaken> ParseDateTaken(std::string_view text) {
    static constexpr std::string_view kLayout = "dddd:dd:dd dd:dd:dd";
    if (text.size() < kLayout.size()) return std::nullopt;
    uint64_t number = 0;
    for (size_t i = 0; i < kLayout.size(); ++i) {
        const char c = text[i];
        if (kLayout[i] != 'd') {
            if (c != kLayout[i]) return std::nullopt;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        } else {
            number = number * 10 + static_cast<unsigned>(c - '0');
        }
    }
    for (char c : text.substr(kLayout.size()))
        if (c != '\0' && c != ' ') return std::nullopt;
    return DateTakenOf(number);
}

std::optional<DateTaken> AgreedDateTaken(uint64_t photo, uint64_t preview) {
    if (preview != 0 && preview != photo) return std::nullopt;
    return DateTakenOf(photo);
}

}  // namespace imaging
