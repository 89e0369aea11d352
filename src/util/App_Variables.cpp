#include "util/App_Variables.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "util/App_Dates.h"

namespace App_Variables {
namespace {

// The ordinary text of a floating-point number: at most the type's
// significant digits, no trailing zeros, and the exponent form ("1E+20",
// "1.5E-05") for exponents below -4 or from the digit count up.
std::wstring FloatText(double d, int lDigits) {
  if (std::isnan(d)) return L"1.#QNAN";
  if (std::isinf(d)) return d > 0 ? L"1.#INF" : L"-1.#INF";
  if (d == 0.0) return L"0";  // also -0
  // printf's "%.*g" rather than std::to_chars: the same text, without the
  // 180 KB of conversion tables to_chars links into the program.
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*g", lDigits, d);
  if (n <= 0 || n >= static_cast<int>(sizeof buf)) return L"";
  std::wstring out;
  for (const char* p = buf; p != buf + n; ++p) out += static_cast<wchar_t>(*p == 'e' ? 'E' : *p);
  // An exponent has at least two digits, never a third leading zero (some C
  // runtimes print "1E+020").
  const size_t e = out.find(L'E');
  if (e != std::wstring::npos && out.size() - e > 4 && out[e + 2] == L'0') out.erase(e + 2, 1);
  return out;
}

// A currency amount given in ten-thousandths: up to four decimals, the
// trailing zeros (and a bare point) left out.
std::wstring CurrencyText(int64_t lTenThousandths) {
  const bool neg = lTenThousandths < 0;
  const uint64_t mag =
      neg ? 0 - static_cast<uint64_t>(lTenThousandths) : static_cast<uint64_t>(lTenThousandths);
  std::wstring out = std::to_wstring(mag / 10000);
  uint64_t frac = mag % 10000;
  if (frac != 0) {
    std::wstring digits = std::to_wstring(frac);
    digits.insert(0, 4 - digits.size(), L'0');
    while (!digits.empty() && digits.back() == L'0') digits.pop_back();
    out += L'.';
    out += digits;
  }
  if (neg) out.insert(0, 1, L'-');
  return out;
}

std::wstring ClassNameText(const App_Variant& v) {
  return v.AsString().empty() ? std::wstring(L"Nothing") : v.AsString();
}

// The text of the values that have one; false for those that have none
// (not set, null, records, arrays and unknown kinds).
bool ValueText(const App_Variant& v, std::wstring& sText) {
  switch (v.VarType()) {
    case vtInteger:
    case vtLong:
    case vtByte:
    case vtLongLong:
      sText = std::to_wstring(v.AsInteger());
      return true;
    case vtSingle:
      sText = FloatText(v.AsDouble(), 7);
      return true;
    case vtDouble:
      sText = FloatText(v.AsDouble(), 15);
      return true;
    case vtCurrency:
      sText = CurrencyText(v.AsInteger());
      return true;
    case vtDate:
      sText = App_Dates::GeneralDateText(v.AsDouble());
      return true;
    case vtString:
      sText = v.AsString();
      return true;
    case vtObject:
    case vtDataObject:
      sText = ClassNameText(v);
      return true;
    case vtError:
      sText = L"Error " + std::to_wstring(v.AsInteger());
      return true;
    case vtBoolean:
      sText = v.AsInteger() != 0 ? L"True" : L"False";
      return true;
    case vtVariant:
      sText = L"Variant (Array Only)";
      return true;
    default:
      return false;
  }
}

}  // namespace

std::wstring VarTypeName(int32_t lVarType) {
  switch (lVarType) {
    case vtEmpty:
      return L"Empty";
    case vtNull:
      return L"Null";
    case vtInteger:
      return L"Integer";
    case vtLong:
      return L"LongInteger";
    case vtSingle:
      return L"Single";
    case vtDouble:
      return L"Double";
    case vtCurrency:
      return L"Currency";
    case vtDate:
      return L"Date";
    case vtString:
      return L"String";
    case vtObject:
      return L"Object";
    case vtError:
      return L"ErrorValue";
    case vtBoolean:
      return L"Boolean";
    case vtVariant:
      return L"VariantArrayOnly";
    case vtDataObject:
      return L"DataAccessObject";
    case vtByte:
      return L"Byte";
    case vtLongLong:
      return L"LongLong";
    case vtUserDefinedType:
      return L"UDT";
    case vtArray | vtEmpty:
      return L"Array";
    case vtArray | vtNull:
      return L"NullArray";
    case vtArray | vtInteger:
      return L"IntegerArray";
    case vtArray | vtLong:
      return L"LongArray";
    case vtArray | vtSingle:
      return L"SingleArray";
    case vtArray | vtDouble:
      return L"DoubleArray";
    case vtArray | vtCurrency:
      return L"CurrencyArray";
    case vtArray | vtDate:
      return L"DateArray";
    case vtArray | vtString:
      return L"StringArray";
    case vtArray | vtObject:
      return L"ObjectArray";
    case vtArray | vtError:
      return L"ErrorValueArray";
    case vtArray | vtBoolean:
      return L"BooleanArray";
    case vtArray | vtVariant:
      return L"VariantArrayOnlyArray";
    case vtArray | vtDataObject:
      return L"DataAccessObjectArray";
    case vtArray | vtByte:
      return L"ByteArray";
    case vtArray | vtUserDefinedType:
      return L"UDTArray";
    default:
      return L"UnknownType_" + std::to_wstring(lVarType);
  }
}

std::wstring VariantToString(const App_Variant& v) {
  try {
    std::wstring text;
    if (ValueText(v, text)) return text;
  } catch (...) {
    // Out of memory: no text.
  }
  return L"";
}

std::wstring VariantToKVP(const App_Variant& v, std::wstring_view sName) {
  try {
    std::wstring value;
    if (!ValueText(v, value)) {
      if (v.VarType() == vtEmpty)
        value = L"Uninitialized";
      else if (v.VarType() == vtNull)
        value = L"No Valid Data";
      else
        value = L"NA";
    }
    std::wstring out;
    if (!sName.empty()) {
      out.reserve(sName.size() + value.size() + 24);
      out.append(sName).append(L".");
    }
    out.append(VarTypeName(v.VarType())).append(L"=").append(value);
    return out;
  } catch (...) {
    return L"";
  }
}

std::wstring pVarList(std::initializer_list<App_Variant> values) {
  return pVarList(std::span<const App_Variant>(values.begin(), values.size()));
}

std::wstring pVarList(std::span<const App_Variant> values) {
  try {
    if (values.size() == 1) return VariantToKVP(values.front(), L"");
    std::wstring out;
    const App_Variant* v = values.data();
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
      if (i) out.append(VarSeparator);
      out.append(VariantToKVP(v[i + 1], VariantToString(v[i])));
    }
    return out;
  } catch (...) {
    return L"";
  }
}

}  // namespace App_Variables
