// The record of one traced call (App_Proc) and of one of its events
// (App_ProcEvent). The records of all calls stay in memory for the whole run,
// so a record keeps little: flow events carry no text, the variable texts
// are allocated only when a call records any, module and procedure names
// are shared, and the "last error" facts are read off the latest event.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Event types (bit values).
enum App_EventType : int32_t {
  evNormal = 1,
  evVerbose = 2,
  evEnterProcedure = 4,
  evExitProcedure = 8,
  evErrorHandler = 16,
  evAPIError = 32,
};

// Procedure types.
enum App_ProcType : int32_t {
  ptSub = 1,
  ptFunction = 2,
  ptProperty = 4,
};

// Variable kinds of ProcVar.
enum App_VarKind : int32_t {
  vkPassedByVal = 1,
  vkPassedByRef = 2,
  vkCreated = 4,
  vkReturnedByRef = 8,
  vkFunctionReturn = 16,
};

// One event of a call, as the public fields show it.
struct App_ProcEvent {
  int32_t ProcedureEvent_ID = 0;
  int32_t Global_EventID = 0;
  int32_t Global_NonFlow_EventID = 0;
  int32_t Global_EventType_EventID = 0;
  int32_t EventType = 0;
  std::wstring EventInfo;
  std::wstring EventVariables;
  int32_t EventTime = 0;
  int32_t Error_API_Number = 0;
  std::wstring Error_API_Desc;
  int32_t Error_RT_Number = 0;
  std::wstring Error_RT_Desc;
  std::wstring Error_RT_Source;
  bool ErrorOutsideHandler = false;
};

class App_Proc {
 public:
  App_Proc(int32_t lID, int32_t lProcType, std::wstring_view sModule, std::wstring_view sName);

  // Public fields of the record.
  int32_t Global_ProcedureID() const { return id_; }
  int32_t ProcedureType() const { return procType_; }
  std::wstring_view SourceModule() const { return module_; }
  std::wstring_view SourceName() const { return name_; }
  std::wstring ProcedureSource() const;

  // The latest event's error facts ("False"/""/0 unless it was an error event).
  std::wstring LastEvent_Error_DataPopulated() const;
  std::wstring LastEvent_Error_EventInfo() const;
  std::wstring LastEvent_Error_EventVariables() const;
  int32_t LastEvent_Error_API_Number() const;
  std::wstring LastEvent_Error_API_Desc() const;
  int32_t LastEvent_Error_RT_Number() const;
  std::wstring LastEvent_Error_RT_Desc() const;
  std::wstring LastEvent_Error_RT_Source() const;

  int32_t EventCount() const { return static_cast<int32_t>(events_.size()); }
  int32_t EventCount_NonFlow() const { return countNonFlow_; }
  int32_t EventCount_APIErrors() const { return countAPI_; }
  int32_t EventCount_ErrorHandler() const { return countHandler_; }
  int32_t EventCount_ErrorsOutsideHandler() const { return countOutside_; }
  // Number of events whose type bit is in the mask.
  int32_t EventCount_By_EventType(int32_t lCountTheseEventTypes) const;

  // The variable texts: kinds 1, 2, 8 and 16 keep their first value, kind 4
  // appends each value after "<sep>".
  const std::wstring& Vars_Passed_ByVal() const { return Var(0); }
  const std::wstring& Vars_Passed_ByRef() const { return Var(1); }
  const std::wstring& Vars_Created() const { return Var(2); }
  const std::wstring& Vars_Returned_ByRef() const { return Var(3); }
  const std::wstring& Vars_Function_Result() const { return Var(4); }
  void SetVars(int32_t lVarKind, std::wstring_view sText);

  std::wstring Time_Entered() const { return std::to_wstring(timeEntered_); }
  std::wstring Time_Exited() const { return std::to_wstring(timeExited_); }

  std::wstring Perf_GetStartTime(bool bFormatAsTimeString, bool bIncludeDecimalInTimeString) const;
  std::wstring Perf_GetEndTime(bool bFormatAsTimeString, bool bIncludeDecimalInTimeString) const;
  std::wstring Perf_GetElapsedTime(bool bFormatAsTimeString, bool bIncludeDecimalInTimeString) const;

  void Add_ProcedureEvent(int32_t lGlobal_EventID, int32_t lGlobal_NonFlow_EventID,
                          int32_t lGlobal_EventType_EventID, int32_t ProcEventType,
                          std::wstring_view sEventInfo, std::wstring_view sEventVariables,
                          int32_t lEventTime, int32_t lAPINum, std::wstring_view sAPIDesc,
                          int32_t lRTNum, std::wstring_view sRTDesc, std::wstring_view sRTSource,
                          bool bErrorOutsideHandler);

  bool EventExists(int32_t lEventNumber) const;
  // The event by its 1-based number; an empty event when there is none.
  App_ProcEvent ProcedureEventObject(int32_t lEventNumber) const;
  // All events in order.
  std::vector<App_ProcEvent> NewEnum() const;
  // True when an error event exists; the numbers are those of the last one.
  bool LastErrorEvent(int32_t& lAPINum, int32_t& lRTNum) const;

  bool IsOpen() const { return open_; }
  void ShutdownClass() { open_ = false; }

 private:
  struct EventText {
    std::wstring Info, Variables, APIDesc, RTDesc, RTSource;
  };
  struct EventRec {
    int32_t GlobalID, NonFlowID, TypeID, Type, Time, APINum, RTNum;
    bool Outside;
    std::unique_ptr<EventText> Text;  // null for events without text
  };
  struct VarTexts {
    std::wstring Text[5];
  };

  const std::wstring& Var(int i) const;
  const EventRec* LastErrorRec() const;
  static bool IsErrorRec(const EventRec& r);
  App_ProcEvent Materialise(size_t i) const;

  int32_t id_;
  int32_t procType_;
  std::wstring_view module_;  // interned: shared by every call of the module
  std::wstring_view name_;
  bool open_ = true;
  int32_t countNonFlow_ = 0, countAPI_ = 0, countHandler_ = 0, countOutside_ = 0;
  int32_t timeEntered_ = 0, timeExited_ = 0;
  int32_t perfStart_ = 0, perfEnd_ = 0;
  std::vector<EventRec> events_;
  std::unique_ptr<VarTexts> vars_;
};
