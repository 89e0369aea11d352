#include "diag/App_Trace.h"

#include "diag/App_CallStack.h"

App_Trace::App_Trace(std::wstring_view sModule, std::wstring_view sProcName, App_ProcType type) noexcept {
  try {
    id_ = App_Debug::ProcNew(sModule, sProcName, type);
  } catch (...) {
    id_ = 0;
  }
  App_CallStack::Push(id_);
}

App_Trace::~App_Trace() {
  App_CallStack::Pop(id_);
  try {
    App_Debug::ProcExit(id_);
  } catch (...) {
  }
}

void App_Trace::Failed() noexcept {
  try {
    App_Debug::ProcError(id_, L"", L"");
  } catch (...) {
    App_Err::Clear();
  }
}

void App_Trace::Vars(int32_t lVarKind, std::initializer_list<App_Variant> values) noexcept {
  Step([&] { App_Debug::ProcVar(id_, lVarKind, values); });
}

void App_Trace::Log(std::wstring_view sMsg, int32_t lEventType, std::wstring_view sVars,
                    const App_ErrNumbers& vExpectedRT, const App_ErrNumbers& vExpectedAPI) noexcept {
  try {
    App_Debug::dLog(id_, sMsg, lEventType, sVars, vExpectedRT, vExpectedAPI);
  } catch (...) {
  }
}

int32_t App_Trace::APIError(std::wstring_view sMsg, std::wstring_view sVars,
                            const App_ErrNumbers& vExpectedAPI) noexcept {
  try {
    return App_Debug::ProcAPIError(id_, sMsg, sVars, vExpectedAPI);
  } catch (...) {
    return 0;
  }
}
