// A small value of any kind: what the trace records for an argument, a local
// variable or a result. The kinds and their numbers are those of the
// variables text (App_Variables): Empty 0, Null 1, Integer 2, LongInteger 3,
// Single 4, Double 5, Currency 6, Date 7, String 8, Object 9, ErrorValue 10,
// Boolean 11, VariantArrayOnly 12, DataAccessObject 13, Byte 17, LongLong 20,
// UDT 36, and 8192 plus an element kind for arrays.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

enum App_VarType : int32_t {
  vtEmpty = 0,
  vtNull = 1,
  vtInteger = 2,
  vtLong = 3,
  vtSingle = 4,
  vtDouble = 5,
  vtCurrency = 6,
  vtDate = 7,
  vtString = 8,
  vtObject = 9,
  vtError = 10,
  vtBoolean = 11,
  vtVariant = 12,
  vtDataObject = 13,
  vtDecimal = 14,
  vtByte = 17,
  vtLongLong = 20,
  vtUserDefinedType = 36,
  vtArray = 8192,
};

class App_Variant {
 public:
  App_Variant() = default;  // Empty
  App_Variant(bool b) : type_(vtBoolean), int_(b ? 1 : 0) {}
  // Integers take the kind of their size: 1 byte unsigned Byte, 2 bytes
  // Integer, 4 bytes LongInteger, 8 bytes (and unsigned 4 bytes, whose values
  // do not fit a LongInteger) LongLong.
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, wchar_t> && !std::same_as<T, char> &&
             !std::same_as<T, char16_t> && !std::same_as<T, char32_t>)
  App_Variant(T v) : type_(IntegerKind<T>()), int_(static_cast<int64_t>(v)) {}
  App_Variant(float v) : type_(vtSingle), dbl_(v) {}
  App_Variant(double v) : type_(vtDouble), dbl_(v) {}
  App_Variant(const wchar_t* s) : type_(vtString), str_(s ? s : L"") {}
  App_Variant(std::wstring s) : type_(vtString), str_(std::move(s)) {}
  App_Variant(std::wstring_view s) : type_(vtString), str_(s) {}

  static App_Variant Null() { return OfType(vtNull); }
  // Currency: a fixed-point number with four decimals, given in ten-thousandths.
  static App_Variant Currency(int64_t lTenThousandths);
  // Date: days since 30 December 1899, the time of day as the fraction.
  static App_Variant Date(double dDate);
  // An object, by its class name ("" means no object: "Nothing").
  static App_Variant Object(std::wstring_view sClassName);
  static App_Variant DataObject(std::wstring_view sClassName);
  static App_Variant ErrorValue(int32_t lError);
  static App_Variant VariantArrayOnly() { return OfType(vtVariant); }
  static App_Variant UDT() { return OfType(vtUserDefinedType); }
  // An array whose elements are of the given kind (its values are not kept).
  static App_Variant ArrayOf(int32_t lElementType) { return OfType(vtArray | lElementType); }
  // Any kind number, the ones this program has no value for included.
  static App_Variant OfType(int32_t lVarType);

  int32_t VarType() const { return type_; }
  bool IsArray() const { return (type_ & vtArray) != 0; }
  int64_t AsInteger() const { return int_; }
  double AsDouble() const { return dbl_; }
  const std::wstring& AsString() const { return str_; }

 private:
  template <class T>
  static constexpr int32_t IntegerKind() {
    if constexpr (sizeof(T) == 1 && std::is_unsigned_v<T>) return vtByte;
    else if constexpr (sizeof(T) <= 2) return vtInteger;
    else if constexpr (sizeof(T) == 4 && std::is_signed_v<T>) return vtLong;
    else return vtLongLong;
  }

  int32_t type_ = vtEmpty;
  int64_t int_ = 0;
  double dbl_ = 0.0;
  std::wstring str_;  // text, or the class name of an object
};
