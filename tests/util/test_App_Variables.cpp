// Value text: type names, value texts and name/value lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "util/App_Variables.h"

using App_Variables::VariantToKVP;
using App_Variables::VariantToString;
using App_Variables::VarTypeName;

TEST(AppVariables, PVarLists) {
  EXPECT_EQ(pVar(L"a", int16_t(1), L"b", L"x"), L"a.Integer=1<sep>b.String=x");
  EXPECT_EQ(pVar(int16_t(5)), L"Integer=5");
  EXPECT_EQ(pVar(), L"");
  EXPECT_EQ(pVar(L"lAPIRet", 0), L"lAPIRet.LongInteger=0");
  EXPECT_EQ(pVar(L"x"), L"String=x");                           // one value has no name
  EXPECT_EQ(pVar(L"a", true, L"dangling"), L"a.Boolean=True");  // a name without value
  EXPECT_EQ(pVar(7, L"seven", L"s", L""), L"7.String=seven<sep>s.String=");
  EXPECT_EQ(pVar(L"sFile", std::wstring(L"C:\\a.cfg")), L"sFile.String=C:\\a.cfg");
}

TEST(AppVariables, IntegerKindsBySize) {
  EXPECT_EQ(pVar(uint8_t(255)), L"Byte=255");
  EXPECT_EQ(pVar(int16_t(-32768)), L"Integer=-32768");
  EXPECT_EQ(pVar(uint16_t(65535)), L"Integer=65535");
  EXPECT_EQ(pVar(int32_t(-2147483647 - 1)), L"LongInteger=-2147483648");
  EXPECT_EQ(pVar(uint32_t(4294967295u)), L"LongLong=4294967295");
  EXPECT_EQ(pVar(std::numeric_limits<int64_t>::min()), L"LongLong=-9223372036854775808");
}

TEST(AppVariables, FloatingPointAndCurrencyText) {
  // clang-format off
  const std::pair<double, const wchar_t*> doubles[] = {
      {1.0, L"1"}, {-2.25, L"-2.25"}, {-0.0, L"0"}, {1e20, L"1E+20"}, {0.000015, L"1.5E-05"},
      {0.0001, L"0.0001"}, {1e14, L"100000000000000"}, {1e15, L"1E+15"}, {0.1 + 0.2, L"0.3"},
      {1.0 / 3, L"0.333333333333333"}, {123456789012345678.0, L"1.23456789012346E+17"}};
  // clang-format on
  for (const auto& [d, text] : doubles) EXPECT_EQ(pVar(d), std::wstring(L"Double=") + text);
  EXPECT_EQ(pVar(1.0f / 3.0f), L"Single=0.3333333");
  EXPECT_EQ(pVar(0.1f), L"Single=0.1");
  EXPECT_EQ(pVar(1234567.0f), L"Single=1234567");
  EXPECT_EQ(pVar(12345678.0f), L"Single=1.234568E+07");

  EXPECT_EQ(pVar(App_Variant::Currency(12345)), L"Currency=1.2345");
  EXPECT_EQ(VariantToString(App_Variant::Currency(15000)), L"1.5");
  EXPECT_EQ(VariantToString(App_Variant::Currency(10000)), L"1");
  EXPECT_EQ(VariantToString(App_Variant::Currency(-5)), L"-0.0005");
  EXPECT_EQ(VariantToString(App_Variant::Currency(std::numeric_limits<int64_t>::min())),
            L"-922337203685477.5808");
}

TEST(AppVariables, EveryTypeNameAndValueText) {
  EXPECT_EQ(VariantToKVP(App_Variant(), L"v"), L"v.Empty=Uninitialized");
  EXPECT_EQ(VariantToKVP(App_Variant::Null(), L"v"), L"v.Null=No Valid Data");
  EXPECT_EQ(VariantToKVP(App_Variant::Date(44201.0 + 47229.0 / 86400.0), L"d"),
            L"d.Date=1/5/2021 1:07:09 PM");
  EXPECT_EQ(VariantToKVP(App_Variant::Object(L"Config_Class"), L"o"), L"o.Object=Config_Class");
  EXPECT_EQ(VariantToKVP(App_Variant::Object(L""), L"o"), L"o.Object=Nothing");
  EXPECT_EQ(VariantToKVP(App_Variant::ErrorValue(5), L"e"), L"e.ErrorValue=Error 5");
  EXPECT_EQ(VariantToKVP(false, L""), L"Boolean=False");
  EXPECT_EQ(VariantToKVP(App_Variant::VariantArrayOnly(), L""),
            L"VariantArrayOnly=Variant (Array Only)");
  EXPECT_EQ(VariantToKVP(App_Variant::DataObject(L"Recordset"), L""),
            L"DataAccessObject=Recordset");
  EXPECT_EQ(VariantToKVP(App_Variant::UDT(), L"u"), L"u.UDT=NA");
  EXPECT_EQ(VariantToKVP(App_Variant::OfType(vtDecimal), L""), L"UnknownType_14=NA");

  // The array names in their order, for element kinds 0 to 13, 17 and 36.
  // clang-format off
  const wchar_t* arrays[] = {
      L"Array", L"NullArray", L"IntegerArray", L"LongArray", L"SingleArray", L"DoubleArray",
      L"CurrencyArray", L"DateArray", L"StringArray", L"ObjectArray", L"ErrorValueArray",
      L"BooleanArray", L"VariantArrayOnlyArray", L"DataAccessObjectArray", L"ByteArray",
      L"UDTArray"};
  // clang-format on
  const int32_t kinds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 17, 36};
  for (size_t i = 0; i < std::size(kinds); ++i)
    EXPECT_EQ(VariantToKVP(App_Variant::ArrayOf(kinds[i]), L"a"),
              std::wstring(L"a.") + arrays[i] + L"=NA");
  EXPECT_EQ(VarTypeName(8192 + 20), L"UnknownType_8212");  // no name for LongLong arrays

  // clang-format off
  const std::pair<int32_t, const wchar_t*> scalars[] = {
      {0, L"Empty"}, {1, L"Null"}, {2, L"Integer"}, {3, L"LongInteger"}, {4, L"Single"},
      {5, L"Double"}, {6, L"Currency"}, {7, L"Date"}, {8, L"String"}, {9, L"Object"},
      {10, L"ErrorValue"}, {11, L"Boolean"}, {12, L"VariantArrayOnly"},
      {13, L"DataAccessObject"}, {17, L"Byte"}, {20, L"LongLong"}, {36, L"UDT"},
      {15, L"UnknownType_15"}, {-1, L"UnknownType_-1"}};
  // clang-format on
  for (const auto& [kind, name] : scalars) EXPECT_EQ(VarTypeName(kind), name) << kind;
}

TEST(AppVariables, VariantToStringHasNoPlaceholders) {
  EXPECT_EQ(VariantToString(App_Variant()), L"");
  EXPECT_EQ(VariantToString(App_Variant::Null()), L"");
  EXPECT_EQ(VariantToString(App_Variant::ArrayOf(vtString)), L"");
  EXPECT_EQ(VariantToString(App_Variant::Object(L"Quill_String")), L"Quill_String");
  EXPECT_EQ(VariantToString(App_Variant::Date(0.75)), L"6:00:00 PM");
}
