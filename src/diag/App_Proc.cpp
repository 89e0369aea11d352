#include "diag/App_Proc.h"

#include "diag/App_Debug.h"

namespace {
const std::wstring kEmpty;
}

App_Proc::App_Proc(int32_t lID, int32_t lProcType, std::wstring_view sModule, std::wstring_view sName)
    : id_(lID), procType_(lProcType), module_(sModule), name_(sName) {
  events_.reserve(2);  // the enter and exit events of every call
}

std::wstring App_Proc::ProcedureSource() const {
  std::wstring s;
  s.reserve(module_.size() + 1 + name_.size());
  s.append(module_).append(L".").append(name_);
  return s;
}

bool App_Proc::IsErrorRec(const EventRec& r) {
  return r.Outside || r.Type == evErrorHandler || r.Type == evAPIError;
}

const App_Proc::EventRec* App_Proc::LastErrorRec() const {
  if (events_.empty() || !IsErrorRec(events_.back())) return nullptr;
  return &events_.back();
}

std::wstring App_Proc::LastEvent_Error_DataPopulated() const {
  return LastErrorRec() ? L"True" : L"False";
}

#define LUMO_LAST_ERROR_TEXT(Getter, Field)                \
  std::wstring App_Proc::Getter() const {                  \
    const EventRec* r = LastErrorRec();                    \
    return (r && r->Text) ? r->Text->Field : std::wstring(); \
  }
LUMO_LAST_ERROR_TEXT(LastEvent_Error_EventInfo, Info)
LUMO_LAST_ERROR_TEXT(LastEvent_Error_EventVariables, Variables)
LUMO_LAST_ERROR_TEXT(LastEvent_Error_API_Desc, APIDesc)
LUMO_LAST_ERROR_TEXT(LastEvent_Error_RT_Desc, RTDesc)
LUMO_LAST_ERROR_TEXT(LastEvent_Error_RT_Source, RTSource)
#undef LUMO_LAST_ERROR_TEXT

int32_t App_Proc::LastEvent_Error_API_Number() const {
  const EventRec* r = LastErrorRec();
  return r ? r->APINum : 0;
}

int32_t App_Proc::LastEvent_Error_RT_Number() const {
  const EventRec* r = LastErrorRec();
  return r ? r->RTNum : 0;
}

int32_t App_Proc::EventCount_By_EventType(int32_t lMask) const {
  int32_t n = 0;
  for (const EventRec& r : events_)
    if (r.Type & lMask) ++n;
  return n;
}

const std::wstring& App_Proc::Var(int i) const { return vars_ ? vars_->Text[i] : kEmpty; }

void App_Proc::SetVars(int32_t lVarKind, std::wstring_view sText) {
  int slot;
  switch (lVarKind) {
    case vkPassedByVal: slot = 0; break;
    case vkPassedByRef: slot = 1; break;
    case vkCreated: slot = 2; break;
    case vkReturnedByRef: slot = 3; break;
    case vkFunctionReturn: slot = 4; break;
    default: return;  // a kind outside the table is ignored
  }
  if (!vars_) vars_ = std::make_unique<VarTexts>();
  std::wstring& t = vars_->Text[slot];
  if (slot == 2) {
    if (!t.empty()) t.append(L"<sep>");
    t.append(sText);
  } else if (t.empty()) {
    t.assign(sText);  // the first value is kept
  }
}

std::wstring App_Proc::Perf_GetStartTime(bool bFormat, bool bDecimal) const {
  return bFormat ? App_Debug::PerfTimer_MakeTimePretty(perfStart_, bDecimal) : std::to_wstring(perfStart_);
}

std::wstring App_Proc::Perf_GetEndTime(bool bFormat, bool bDecimal) const {
  return bFormat ? App_Debug::PerfTimer_MakeTimePretty(perfEnd_, bDecimal) : std::to_wstring(perfEnd_);
}

std::wstring App_Proc::Perf_GetElapsedTime(bool bFormat, bool bDecimal) const {
  int64_t end = perfEnd_ != 0 ? perfEnd_ : App_Debug::PerfTimer_GetTime();
  int64_t elapsed = end - perfStart_;
  return bFormat ? App_Debug::PerfTimer_MakeTimePretty(elapsed, bDecimal) : std::to_wstring(elapsed);
}

void App_Proc::Add_ProcedureEvent(int32_t lGlobal_EventID, int32_t lGlobal_NonFlow_EventID,
                                  int32_t lGlobal_EventType_EventID, int32_t ProcEventType,
                                  std::wstring_view sEventInfo, std::wstring_view sEventVariables,
                                  int32_t lEventTime, int32_t lAPINum, std::wstring_view sAPIDesc,
                                  int32_t lRTNum, std::wstring_view sRTDesc,
                                  std::wstring_view sRTSource, bool bErrorOutsideHandler) {
  EventRec r{lGlobal_EventID, lGlobal_NonFlow_EventID, lGlobal_EventType_EventID, ProcEventType,
             lEventTime,      lAPINum,                 lRTNum,                    bErrorOutsideHandler,
             nullptr};
  if (!sEventInfo.empty() || !sEventVariables.empty() || !sAPIDesc.empty() || !sRTDesc.empty() ||
      !sRTSource.empty()) {
    r.Text = std::make_unique<EventText>(EventText{std::wstring(sEventInfo), std::wstring(sEventVariables),
                                                   std::wstring(sAPIDesc), std::wstring(sRTDesc),
                                                   std::wstring(sRTSource)});
  }
  switch (ProcEventType) {
    case evErrorHandler:
      ++countNonFlow_;
      ++countHandler_;
      break;
    case evAPIError:
      ++countNonFlow_;
      ++countAPI_;
      break;
    case evEnterProcedure:
      timeEntered_ = lEventTime;
      perfStart_ = App_Debug::PerfTimer_GetTime();
      break;
    case evExitProcedure:
      timeExited_ = lEventTime;
      perfEnd_ = App_Debug::PerfTimer_GetTime();
      break;
    default:  // Normal, Verbose and unknown types
      ++countNonFlow_;
      if (bErrorOutsideHandler) ++countOutside_;
      break;
  }
  // The event's number is the count plus 1, so it is always new here.
  events_.push_back(std::move(r));
}

bool App_Proc::EventExists(int32_t n) const { return n >= 1 && n <= EventCount(); }

App_ProcEvent App_Proc::Materialise(size_t i) const {
  const EventRec& r = events_[i];
  App_ProcEvent e;
  e.ProcedureEvent_ID = static_cast<int32_t>(i + 1);
  e.Global_EventID = r.GlobalID;
  e.Global_NonFlow_EventID = r.NonFlowID;
  e.Global_EventType_EventID = r.TypeID;
  e.EventType = r.Type;
  e.EventTime = r.Time;
  e.Error_API_Number = r.APINum;
  e.Error_RT_Number = r.RTNum;
  e.ErrorOutsideHandler = r.Outside;
  if (r.Text) {
    e.EventInfo = r.Text->Info;
    e.EventVariables = r.Text->Variables;
    e.Error_API_Desc = r.Text->APIDesc;
    e.Error_RT_Desc = r.Text->RTDesc;
    e.Error_RT_Source = r.Text->RTSource;
  }
  return e;
}

App_ProcEvent App_Proc::ProcedureEventObject(int32_t n) const {
  return EventExists(n) ? Materialise(static_cast<size_t>(n - 1)) : App_ProcEvent{};
}

std::vector<App_ProcEvent> App_Proc::NewEnum() const {
  std::vector<App_ProcEvent> all;
  all.reserve(events_.size());
  for (size_t i = 0; i < events_.size(); ++i) all.push_back(Materialise(i));
  return all;
}

bool App_Proc::LastErrorEvent(int32_t& lAPINum, int32_t& lRTNum) const {
  for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
    if (IsErrorRec(*it)) {
      lAPINum = it->APINum;
      lRTNum = it->RTNum;
      return true;
    }
  }
  return false;
}
