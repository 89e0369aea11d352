// Date texts: whatever ParseDate accepts, its general text reads back as
// the same date (to the second); a date built from parts in the years 100
// to 9999 makes the same round trip.
#include <cmath>

#include "fuzz_input.h"
#include "util/App_Dates.h"

namespace {

bool SameSecond(double a, double b) {
  const App_Dates::App_DateParts x = App_Dates::PartsFromDate(a);
  const App_Dates::App_DateParts y = App_Dates::PartsFromDate(b);
  return x.Year == y.Year && x.Month == y.Month && x.Day == y.Day && x.Hour == y.Hour &&
         x.Minute == y.Minute && x.Second == y.Second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  App_Dates::App_DateParts p;
  p.Year = 100 + (in.Byte() | (in.Byte() << 8)) % 9900;
  p.Month = 1 + in.Byte() % 12;
  p.Day = 1 + in.Byte() % 28;
  p.Hour = in.Byte() % 24;
  p.Minute = in.Byte() % 60;
  p.Second = in.Byte() % 60;
  const std::wstring pattern = in.Part();
  const std::wstring text = in.RestAsText();

  const double d = App_Dates::DateFromParts(p);
  const std::wstring general = App_Dates::GeneralDateText(d);
  const std::optional<double> back = App_Dates::ParseDate(general);
  FUZZ_CHECK(back.has_value() && SameSecond(*back, d));
  App_Dates::FormatDate(d, pattern);

  if (const std::optional<double> parsed = App_Dates::ParseDate(text)) {
    FUZZ_CHECK(std::isfinite(*parsed));
    const std::optional<double> again = App_Dates::ParseDate(App_Dates::GeneralDateText(*parsed));
    FUZZ_CHECK(again.has_value() && SameSecond(*again, *parsed));
    App_Dates::FormatDate(*parsed, pattern);
  }
  return 0;
}
