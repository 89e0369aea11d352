#include "diag/App_Err.h"

#include <new>
#include <stdexcept>
#include <utility>

App_RuntimeError::App_RuntimeError(int32_t lNumber, std::wstring sDescription, std::wstring sSource)
    : Number_(lNumber), Description_(std::move(sDescription)), Source_(std::move(sSource)) {}

namespace App_Err {

App_ErrState& Pending() {
  static App_ErrState state;
  return state;
}

void Clear() { Pending() = App_ErrState{}; }

void Raise(int32_t lNumber, std::wstring_view sDescription, std::wstring_view sSource) {
  std::wstring desc(sDescription);
  if (desc.empty()) desc = DescriptionOf(lNumber);
  throw App_RuntimeError(lNumber, std::move(desc), std::wstring(sSource));
}

std::wstring_view DescriptionOf(int32_t lNumber) {
  switch (lNumber) {
    case ErrInvalidCall: return L"Invalid procedure call or argument";
    case ErrOverflow: return L"Overflow";
    case ErrOutOfMemory: return L"Out of memory";
    case ErrSubscript: return L"Subscript out of range";
    case ErrTypeMismatch: return L"Type mismatch";
    case ErrInternal: return L"Internal error";
    case ErrObjectNotSet: return L"Object variable or With block variable not set";
    default: return L"";
  }
}

void CaptureCurrentException() noexcept {
  App_ErrState& e = Pending();
  try {
    throw;
  } catch (const App_RuntimeError& x) {
    try {
      e.Number = x.Number();
      e.Description = x.Description();
      e.Source = x.Source();
    } catch (...) {
      e.Number = x.Number();
    }
  } catch (const std::bad_alloc&) {
    e.Number = ErrOutOfMemory;
    e.Description.clear();
    e.Source.clear();
  } catch (const std::out_of_range&) {
    e.Number = ErrSubscript;
    e.Description.clear();
    e.Source.clear();
  } catch (const std::overflow_error&) {
    e.Number = ErrOverflow;
    e.Description.clear();
    e.Source.clear();
  } catch (...) {
    e.Number = ErrInternal;
    e.Description.clear();
    e.Source.clear();
  }
  if (e.Description.empty()) {
    try {
      e.Description = DescriptionOf(e.Number);
    } catch (...) {
    }
  }
  if (e.Source.empty()) {
    try {
      e.Source = ProjectName;
    } catch (...) {
    }
  }
}

void SetLastDllError(uint32_t lError) noexcept { Pending().LastDllError = lError; }

}  // namespace App_Err
