// Date values and their texts, free of the platform: a date is a count of
// days since 30 December 1899 with the time of day as its fraction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace App_Dates {

struct App_DateParts {
  int32_t Year = 1899, Month = 12, Day = 30;
  int32_t Hour = 0, Minute = 0, Second = 0;
};

// Date value from its parts (the seconds' fraction is not kept).
double DateFromParts(const App_DateParts& p);
// Parts of a date value, rounded to the nearest second.
App_DateParts PartsFromDate(double dDate);

// Formats a date with a pattern: "yyyy", "mm"/"m" (month), "dd"/"d", "hh"/"h"
// (hours), "nn" (minutes), "ss", "AM/PM"; other characters are copied.
std::wstring FormatDate(double dDate, std::wstring_view sPattern);

// The general date text: "m/d/yyyy h:nn:ss AM/PM"; the date alone when the
// time is midnight, the time alone when the date is 30 December 1899.
std::wstring GeneralDateText(double dDate);

// Reads a date text: a date (m/d/yyyy or yyyy/m/d, with "/", "-" or "."),
// a time (h:nn[:ss] [AM|PM]), or both. Empty result when it is not a date.
std::optional<double> ParseDate(std::wstring_view sText);

}  // namespace App_Dates
