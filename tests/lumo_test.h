// Shared set-up of the tests: a fresh tracing state with the program's
// labels, a recorder of the system debug output, finders of call records and
// events, text conversion and a runner of case tables. Pure: the native
// build compiles it too, so no system header belongs here.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/App_Common.h"
#include "diag/App_Debug.h"
#include "diag/App_Err.h"

struct LumoDebugFixtureState {
  std::vector<std::wstring> systemOutput;

  // Tracing and log as after start-up, both debug switches off.
  void Reset(bool bVerbose = false, bool bSystemOutput = false) {
    App_Debug::InitDebugModuleVars();
    App_Common::SetAppGeneratedVars();
    App_Err::Clear();
    App_Debug::DebugLog_Verbose = bVerbose;
    App_Debug::DebugLog_SystemOutput = bSystemOutput;
    App_Debug::DebugLog_SystemOutputPrefix.clear();
    systemOutput.clear();
    App_Debug::SetSystemOutputSink([this](std::wstring_view s) { systemOutput.emplace_back(s); });
  }
  ~LumoDebugFixtureState() { App_Debug::SetSystemOutputSink({}); }
};

// How many traced calls of a routine ("App_Registry.KillRegKey") were made
// since the tracing state was reset.
inline int LumoCalls(const std::wstring& sProc) {
  int n = 0;
  for (int32_t id = 1; id <= App_Debug::ProcCount(); ++id)
    n += App_Debug::ProcObject(id)->ProcedureSource() == sProc;
  return n;
}

// Text for a failure message or an ASCII comparison: a character below 128
// as it is, any other as '?'.
inline std::string LumoNarrow(std::wstring_view w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

// ASCII bytes (a probe's output, a file's text) as wide text, one for one.
inline std::wstring LumoWiden(std::string_view s) {
  return std::wstring(s.begin(), s.end());
}

// A case's input or name as text for a trace.
inline std::string LumoCaseText(std::string_view s) {
  return std::string(s);
}
inline std::string LumoCaseText(std::wstring_view s) {
  return LumoNarrow(s);
}
inline std::string LumoCaseText(long long v) {
  return std::to_string(v);
}

// Runs check(row) for every row of a table of cases, under a trace that
// names the row: its place, and its `name`, or else its `in`, when it has one.
template <class Table, class Check>
void LumoEachCase(const Table& table, Check&& check) {
  size_t i = 0;
  for (const auto& row : table) {
    std::string label = "case " + std::to_string(i++);
    if constexpr (requires { LumoCaseText(row.name); })
      label += ": " + LumoCaseText(row.name);
    else if constexpr (requires { LumoCaseText(row.in); })
      label += ": " + LumoCaseText(row.in);
    SCOPED_TRACE(label);
    check(row);
  }
}

// The latest call record of a routine ("App_Registry.KillRegKey"), or nullptr.
inline App_Proc* LumoLastCall(std::wstring_view sProc) {
  for (int32_t id = App_Debug::ProcCount(); id >= 1; --id)
    if (App_Proc* p = App_Debug::ProcObject(id); p && p->ProcedureSource() == sProc) return p;
  return nullptr;
}

// One event of a traced call, with the routine that logged it.
struct LumoEvent {
  std::wstring proc;  // "App_Registry.KillRegKey"
  int32_t type;
  std::wstring info, vars;
  int32_t api, rt;
};

// Every event but the entries and exits, of the calls made since the
// tracing state was reset.
inline std::vector<LumoEvent> LumoEvents() {
  std::vector<LumoEvent> out;
  for (int32_t id = 1; id <= App_Debug::ProcCount(); ++id) {
    const App_Proc* p = App_Debug::ProcObject(id);
    for (const App_ProcEvent& e : p->NewEnum())
      if (e.EventType != evEnterProcedure && e.EventType != evExitProcedure)
        out.push_back({p->ProcedureSource(), e.EventType, e.EventInfo, e.EventVariables, e.Error_API_Number,
                       e.Error_RT_Number});
  }
  return out;
}

// How many events of a routine have the type and the text.
inline int LumoEventCount(std::wstring_view sProc, int32_t lType, std::wstring_view sInfo) {
  int n = 0;
  for (const LumoEvent& e : LumoEvents()) n += e.proc == sProc && e.type == lType && e.info == sInfo;
  return n;
}

// The first event of a routine with the type and the text, if any.
inline std::optional<LumoEvent> LumoFindEvent(std::wstring_view sProc, int32_t lType,
                                              std::wstring_view sInfo) {
  for (LumoEvent& e : LumoEvents())
    if (e.proc == sProc && e.type == lType && e.info == sInfo) return std::move(e);
  return std::nullopt;
}

// The entries of the pending debug log, without their time headers.
inline std::vector<std::wstring> PendingEntries() {
  std::vector<std::wstring> out;
  const std::wstring all = App_Debug::DebugLogPending();
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find(L"\r\n\r\n", start);
    if (end == std::wstring::npos) end = all.size();
    out.push_back(all.substr(start, end - start));
    start = end + 4;
  }
  return out;
}
