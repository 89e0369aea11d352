// The pure part of the debug log (module App_Debug): the expected error
// numbers of a log call, the names of procedure and event types, and the
// body of a log entry. No system header: this part also builds natively,
// where it runs under the sanitizers and is fuzzed.
#include <cstdio>
#include <string>

#include "diag/App_Debug.h"
#include "util/App_Strings.h"

// ---- expected error numbers ---------------------------------------------------

App_ErrNumbers::App_ErrNumbers(std::wstring_view sCommaList) {
  given_ = !App_Strings::Trim(sCommaList).empty();
  size_t start = 0;
  while (start <= sCommaList.size()) {
    size_t comma = sCommaList.find(L',', start);
    if (comma == std::wstring_view::npos) comma = sCommaList.size();
    const std::wstring piece = App_Strings::Trim(sCommaList.substr(start, comma - start));
    if (!piece.empty()) {
      wchar_t* end = nullptr;
      const long long v = std::wcstoll(piece.c_str(), &end, 10);
      if (end && *end == L'\0') numbers_.push_back(static_cast<int32_t>(v));
    }
    start = comma + 1;
  }
}

bool App_ErrNumbers::Contains(int64_t lNumber) const {
  for (int32_t n : numbers_)
    if (n == lNumber || static_cast<uint32_t>(n) == lNumber) return true;
  return false;
}

namespace App_Debug {

namespace {

// Labels L1..L12 of the entry bodies.
std::wstring g_labels[12];

std::wstring Num(int64_t n) {
  return std::to_wstring(n);
}

std::wstring Hex(int64_t n) {
  wchar_t buf[24];
  std::swprintf(buf, 24, L"%llX", static_cast<unsigned long long>(n) & 0xFFFFFFFFull);
  return buf;
}

}  // namespace

void SetDebugLabels(const std::wstring (&labels)[12]) {
  for (int i = 0; i < 12; ++i) g_labels[i] = labels[i];
}

// ---- names of types ----------------------------------------------------------------

std::wstring GetProcedureTypeAsString(int32_t t) {
  switch (t) {
    case ptSub:
      return L"Sub";
    case ptFunction:
      return L"Function";
    case ptProperty:
      return L"Property";
    default:
      return L"Unknown";
  }
}

int32_t GetProcedureTypeFromString(std::wstring_view s) {
  if (s == L"Sub") return ptSub;
  if (s == L"Function") return ptFunction;
  if (s == L"Property") return ptProperty;
  return 0;
}

std::wstring GetEventTypeAsString(int32_t t) {
  switch (t) {
    case evNormal:
      return L"Normal";
    case evVerbose:
      return L"Verbose";
    case evEnterProcedure:
      return L"EnterProcedure";
    case evExitProcedure:
      return L"ExitProcedure";
    case evErrorHandler:
      return L"ErrorHandler";
    case evAPIError:
      return L"APIError";
    default:
      return L"";
  }
}

// ---- entry bodies --------------------------------------------------------------------------

std::wstring ConstructDebugMsg(int32_t lEventType, std::wstring_view sCallRef, std::wstring_view sMsg,
                               std::wstring_view sVars, int32_t lEventNumber, int64_t lAPINum,
                               std::wstring_view sAPIDesc, int32_t lRTNum, std::wstring_view sRTDesc,
                               std::wstring_view sRTSource, std::wstring_view sArgsByVal,
                               std::wstring_view sArgsByRef, std::wstring_view sVarsCreated) {
  const std::wstring(&lbl)[12] = g_labels;
  std::wstring body;
  if (lEventType == evEnterProcedure || lEventType == evExitProcedure) {
    body.append(sCallRef).append(L" [").append(GetEventTypeAsString(lEventType)).append(L"]");
  } else {
    std::wstring head(sCallRef);
    if (lEventNumber != 0) head.append(L".ProcEventID=").append(Num(lEventNumber));
    switch (lEventType) {
      case evNormal:
      case evVerbose:
      case evErrorHandler:
      case evAPIError:
        head.append(L".").append(lbl[0]).append(L"=").append(GetEventTypeAsString(lEventType));
        break;
      default:
        head.append(L"Reserved");
    }
    auto line = [&](const std::wstring& label, std::wstring_view text) {
      if (!body.empty()) body.append(L"\r\n");
      body.append(head).append(L".").append(label).append(L"=[").append(text).append(L"]");
    };
    auto hexPart = [&](int64_t n) { return n > 9 ? L"," + lbl[9] + L"=" + Hex(n) + L") " : std::wstring(); };
    if (!sMsg.empty()) line(lbl[1], sMsg);
    if (!sVars.empty()) line(lbl[2], App_Strings::FilterCRLF(sVars, true));
    if (!sArgsByVal.empty()) line(lbl[3], App_Strings::FilterCRLF(sArgsByVal, true));
    if (!sArgsByRef.empty()) line(lbl[4], App_Strings::FilterCRLF(sArgsByRef, true));
    if (!sVarsCreated.empty()) line(lbl[5], App_Strings::FilterCRLF(sVarsCreated, true));
    if (lAPINum != 0) {
      const std::wstring desc = sAPIDesc.empty() ? GetSystemMsg(lAPINum) : std::wstring(sAPIDesc);
      line(lbl[6], lbl[7] + L"=" + Num(lAPINum) + L" " + hexPart(lAPINum) + lbl[11] + L"=" + desc);
    }
    if (lRTNum != 0) {
      std::wstring t = lbl[8] + L"=" + Num(lRTNum) + L" " + hexPart(lRTNum);
      if (!sRTSource.empty()) t.append(lbl[10]).append(L"=").append(sRTSource).append(L" ");
      t.append(lbl[11]).append(L"=").append(sRTDesc);
      line(lbl[6], t);
    }
    if (body.empty()) line(lbl[1], L"No Msg Passed!");
  }
  App_Strings::ReplaceNullsForDisplay(body);
  return body;
}

std::wstring PerfTimer_MakeTimePretty(int64_t ms, bool bIncludeDecimal) {
  const bool negative = ms < 0;
  const uint64_t a = negative ? static_cast<uint64_t>(-(ms + 1)) + 1 : static_cast<uint64_t>(ms);
  const uint64_t secs = a / 1000;
  wchar_t buf[64];
  int n = std::swprintf(
      buf, 64, L"%s%02llu:%02llu:%02llu", negative ? L"-" : L"", static_cast<unsigned long long>(secs / 3600),
      static_cast<unsigned long long>(secs % 3600 / 60), static_cast<unsigned long long>(secs % 60));
  if (bIncludeDecimal && n > 0)
    std::swprintf(buf + n, 64 - n, L".%03llu", static_cast<unsigned long long>(a % 1000));
  return buf;
}

}  // namespace App_Debug
