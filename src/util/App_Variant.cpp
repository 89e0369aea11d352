#include "util/App_Variant.h"

App_Variant App_Variant::OfType(int32_t lVarType) {
  App_Variant v;
  v.type_ = lVarType;
  return v;
}

App_Variant App_Variant::Currency(int64_t lTenThousandths) {
  App_Variant v = OfType(vtCurrency);
  v.int_ = lTenThousandths;
  v.dbl_ = static_cast<double>(lTenThousandths) / 10000.0;
  return v;
}

App_Variant App_Variant::Date(double dDate) {
  App_Variant v = OfType(vtDate);
  v.dbl_ = dDate;
  return v;
}

App_Variant App_Variant::Object(std::wstring_view sClassName) {
  App_Variant v = OfType(vtObject);
  v.str_ = sClassName;
  return v;
}

App_Variant App_Variant::DataObject(std::wstring_view sClassName) {
  App_Variant v = OfType(vtDataObject);
  v.str_ = sClassName;
  return v;
}

App_Variant App_Variant::ErrorValue(int32_t lError) {
  App_Variant v = OfType(vtError);
  v.int_ = lError;
  return v;
}
