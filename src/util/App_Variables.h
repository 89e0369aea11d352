// Value text (module App_Variables): how the trace writes a value.
// One variable is name & "." & type name & "=" & value text (or type name &
// "=" & value text without a name); several are joined with "<sep>".
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "util/App_Variant.h"

namespace App_Variables {

inline constexpr std::wstring_view VarSeparator = L"<sep>";

// The type name of a kind number ("String", "LongInteger", "StringArray",
// "UnknownType_14", ...).
std::wstring VarTypeName(int32_t lVarType);
// A date as its general date text, an object as its class name, anything
// else in its ordinary text form.
std::wstring VariantToString(const App_Variant& v);
std::wstring VariantToKVP(const App_Variant& v, std::wstring_view sName);
// One value: its text without a name. Otherwise name, value, name, value...
std::wstring pVarList(std::span<const App_Variant> values);
std::wstring pVarList(std::initializer_list<App_Variant> values);

}  // namespace App_Variables

// pVar(L"lAPIRet", 0) gives "lAPIRet.LongInteger=0".
template <class... T>
std::wstring pVar(const T&... values) {
  return App_Variables::pVarList({App_Variant(values)...});
}
