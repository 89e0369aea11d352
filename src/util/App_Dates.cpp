#include "util/App_Dates.h"

#include <cmath>
#include <cwctype>

namespace App_Dates {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Day number of 30 December 1899 counted from 1 January 1970.
constexpr int64_t kEpochOffset = -25569;
// Date values beyond this many days are clamped: far outside the years 100 to
// 9999 that a date can hold, and still safe for the integer arithmetic.
constexpr double kMaxDays = 1.0e9;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1 January 1970 of a proleptic Gregorian date (month 1-12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool IsLeapYear(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int64_t DaysInMonth(int64_t y, int64_t m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

// A date value from a day number (days since 30 December 1899) and the
// seconds of that day. Before that day the value is negative while its
// fraction still counts forward from midnight: -1.25 is 29 December 1899 6:00.
double Encode(int64_t lDay, int64_t lSeconds) {
  const double frac = static_cast<double>(lSeconds) / static_cast<double>(kSecondsPerDay);
  return lDay >= 0 ? static_cast<double>(lDay) + frac : static_cast<double>(lDay) - frac;
}

std::wstring Pad(int64_t n, size_t width) {
  const bool neg = n < 0;
  std::wstring s = std::to_wstring(neg ? -n : n);
  if (s.size() < width) s.insert(0, width - s.size(), L'0');
  if (neg) s.insert(0, 1, L'-');
  return s;
}

bool StartsWithNoCase(std::wstring_view s, size_t pos, std::wstring_view token) {
  if (s.size() - pos < token.size()) return false;
  for (size_t i = 0; i < token.size(); ++i)
    if (std::towlower(s[pos + i]) != std::towlower(token[i])) return false;
  return true;
}

std::wstring FormatParts(const App_DateParts& p, std::wstring_view pattern) {
  bool twelveHour = false;
  for (size_t i = 0; i < pattern.size(); ++i)
    if (StartsWithNoCase(pattern, i, L"AM/PM")) twelveHour = true;
  int64_t hour = p.Hour;
  if (twelveHour) {
    hour = p.Hour % 12;
    if (hour == 0) hour = 12;
  }

  std::wstring out;
  size_t i = 0;
  while (i < pattern.size()) {
    if (StartsWithNoCase(pattern, i, L"AM/PM")) {
      const bool upper = pattern[i] == L'A';
      out += p.Hour < 12 ? (upper ? L"AM" : L"am") : (upper ? L"PM" : L"pm");
      i += 5;
      continue;
    }
    const wchar_t c = static_cast<wchar_t>(std::towlower(pattern[i]));
    size_t run = 1;
    while (i + run < pattern.size() && static_cast<wchar_t>(std::towlower(pattern[i + run])) == c)
      ++run;
    switch (c) {
      case L'y':
        if (run >= 4) {
          out += Pad(p.Year, 4);
          run = 4;
        } else {
          out += Pad(((p.Year % 100) + 100) % 100, 2);
          run = run >= 2 ? 2 : run;
        }
        break;
      case L'm':
        run = run >= 2 ? 2 : 1;
        out += Pad(p.Month, run);
        break;
      case L'd':
        run = run >= 2 ? 2 : 1;
        out += Pad(p.Day, run);
        break;
      case L'h':
        run = run >= 2 ? 2 : 1;
        out += Pad(hour, run);
        break;
      case L'n':
        run = run >= 2 ? 2 : 1;
        out += Pad(p.Minute, run);
        break;
      case L's':
        run = run >= 2 ? 2 : 1;
        out += Pad(p.Second, run);
        break;
      default:
        run = 1;
        out += pattern[i];
        break;
    }
    i += run;
  }
  return out;
}

// ---- the reader of date texts ----------------------------------------------

class Scanner {
 public:
  explicit Scanner(std::wstring_view s) : s_(s) {}
  bool AtEnd() const { return pos_ >= s_.size(); }
  wchar_t Peek() const { return AtEnd() ? L'\0' : s_[pos_]; }
  void Skip() { ++pos_; }
  size_t SkipSpaces() {
    const size_t start = pos_;
    while (!AtEnd() && (s_[pos_] == L' ' || s_[pos_] == L'\t')) ++pos_;
    return pos_ - start;
  }
  // Reads 1 to 4 decimal digits; the count read goes to lDigits (0: none).
  int64_t Number(size_t& lDigits) {
    int64_t n = 0;
    lDigits = 0;
    while (!AtEnd() && s_[pos_] >= L'0' && s_[pos_] <= L'9') {
      if (++lDigits > 4) return 0;
      n = n * 10 + (s_[pos_] - L'0');
      ++pos_;
    }
    return n;
  }
  bool Word(std::wstring_view w) {
    if (!StartsWithNoCase(s_, pos_, w)) return false;
    pos_ += w.size();
    return true;
  }

 private:
  std::wstring_view s_;
  size_t pos_ = 0;
};

bool IsDateSeparator(wchar_t c) {
  return c == L'/' || c == L'-' || c == L'.';
}

// "h:nn", "h:nn:ss", each optionally followed by "AM" or "PM".
bool ReadTime(Scanner& sc, int64_t firstNumber, size_t firstDigits, int64_t& lSeconds) {
  if (firstDigits < 1 || firstDigits > 2 || sc.Peek() != L':') return false;
  sc.Skip();
  size_t digits = 0;
  const int64_t minute = sc.Number(digits);
  if (digits < 1 || digits > 2) return false;
  int64_t second = 0;
  if (sc.Peek() == L':') {
    sc.Skip();
    second = sc.Number(digits);
    if (digits < 1 || digits > 2) return false;
  }
  sc.SkipSpaces();
  int64_t hour = firstNumber;
  const bool am = sc.Word(L"AM");
  const bool pm = !am && sc.Word(L"PM");
  if (am || pm) {
    if (hour < 1 || hour > 12) return false;  // the 12-hour clock
    hour = hour % 12 + (pm ? 12 : 0);
  } else if (hour > 23) {
    return false;
  }
  if (minute > 59 || second > 59) return false;
  lSeconds = hour * 3600 + minute * 60 + second;
  return true;
}

}  // namespace

double DateFromParts(const App_DateParts& p) {
  // Months and days outside their range carry over into the year and month,
  // as date arithmetic on parts does (month 13 is January of the next year).
  const int64_t m0 = static_cast<int64_t>(p.Month) - 1;
  const int64_t year = static_cast<int64_t>(p.Year) + FloorDiv(m0, 12);
  const int64_t month = m0 - FloorDiv(m0, 12) * 12 + 1;
  const int64_t day =
      DaysFromCivil(year, month, 1) - kEpochOffset + (static_cast<int64_t>(p.Day) - 1);
  const int64_t seconds =
      static_cast<int64_t>(p.Hour) * 3600 + static_cast<int64_t>(p.Minute) * 60 + p.Second;
  const int64_t total = day * kSecondsPerDay + seconds;
  const int64_t wholeDays = FloorDiv(total, kSecondsPerDay);
  return Encode(wholeDays, total - wholeDays * kSecondsPerDay);
}

App_DateParts PartsFromDate(double dDate) {
  if (!std::isfinite(dDate)) dDate = 0.0;
  if (dDate > kMaxDays) dDate = kMaxDays;
  if (dDate < -kMaxDays) dDate = -kMaxDays;
  const double whole = std::trunc(dDate);
  int64_t day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(dDate - whole) * static_cast<double>(kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {  // rounded up to the next midnight
    seconds -= kSecondsPerDay;
    ++day;
  }
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(day + kEpochOffset, y, m, d);
  App_DateParts p;
  p.Year = static_cast<int32_t>(y);
  p.Month = static_cast<int32_t>(m);
  p.Day = static_cast<int32_t>(d);
  p.Hour = static_cast<int32_t>(seconds / 3600);
  p.Minute = static_cast<int32_t>(seconds / 60 % 60);
  p.Second = static_cast<int32_t>(seconds % 60);
  return p;
}

std::wstring FormatDate(double dDate, std::wstring_view sPattern) {
  return FormatParts(PartsFromDate(dDate), sPattern);
}

std::wstring GeneralDateText(double dDate) {
  const App_DateParts p = PartsFromDate(dDate);
  if (p.Year == 1899 && p.Month == 12 && p.Day == 30) return FormatParts(p, L"h:nn:ss AM/PM");
  if (p.Hour == 0 && p.Minute == 0 && p.Second == 0) return FormatParts(p, L"m/d/yyyy");
  return FormatParts(p, L"m/d/yyyy h:nn:ss AM/PM");
}

std::optional<double> ParseDate(std::wstring_view sText) {
  Scanner sc(sText);
  sc.SkipSpaces();
  size_t digits = 0;
  const int64_t first = sc.Number(digits);
  if (digits == 0) return std::nullopt;

  if (IsDateSeparator(sc.Peek())) {
    const wchar_t sep = sc.Peek();
    sc.Skip();
    size_t d2 = 0, d3 = 0;
    const int64_t second = sc.Number(d2);
    if (sc.Peek() != sep) return std::nullopt;
    sc.Skip();
    const int64_t third = sc.Number(d3);
    int64_t y = 0, m = 0, d = 0;
    if (digits == 4 && d2 >= 1 && d2 <= 2 && d3 >= 1 && d3 <= 2) {
      y = first, m = second, d = third;  // year first
    } else if (digits <= 2 && d2 >= 1 && d2 <= 2 && d3 == 4) {
      m = first, d = second, y = third;  // month first
    } else {
      return std::nullopt;
    }
    if (y < 100 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return std::nullopt;
    const int64_t day = DaysFromCivil(y, m, d) - kEpochOffset;  // since 30 December 1899
    const size_t spaces = sc.SkipSpaces();
    if (sc.AtEnd()) return static_cast<double>(day);
    if (spaces == 0) return std::nullopt;
    size_t hd = 0;
    const int64_t hour = sc.Number(hd);
    int64_t seconds = 0;
    if (!ReadTime(sc, hour, hd, seconds)) return std::nullopt;
    sc.SkipSpaces();
    if (!sc.AtEnd()) return std::nullopt;
    return Encode(day, seconds);
  }
  int64_t seconds = 0;
  if (!ReadTime(sc, first, digits, seconds)) return std::nullopt;
  sc.SkipSpaces();
  if (!sc.AtEnd()) return std::nullopt;
  return Encode(0, seconds);
}

}  // namespace App_Dates
