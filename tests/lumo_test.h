// Shared set-up of the tests: a fresh tracing state with the program's
// labels, and a recorder of the system debug output.
#pragma once

#include <string>
#include <string_view>
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

// The latest call record of a routine ("App_Registry.KillRegKey"), or nullptr.
inline App_Proc* LumoLastCall(std::wstring_view sProc) {
  for (int32_t id = App_Debug::ProcCount(); id >= 1; --id)
    if (App_Proc* p = App_Debug::ProcObject(id); p && p->ProcedureSource() == sProc) return p;
  return nullptr;
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
