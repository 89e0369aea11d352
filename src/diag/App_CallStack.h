// The traced calls that are open at this moment, innermost last.
//
// App_Trace pushes a call's ID when its record opens and pops it when the
// record closes, so the crash filter can tell which procedure was running
// when a processor exception struck. Both are O(1): the list is reserved
// once and only grows past that depth. The program traces on its one
// user-interface thread, so the list is not locked.
#pragma once

#include <cstdint>
#include <vector>

namespace App_CallStack {

namespace detail {
inline std::vector<int32_t>& OpenCalls() {
  static std::vector<int32_t>* calls = [] {
    auto* v = new std::vector<int32_t>();  // lives until the process ends
    v->reserve(256);
    return v;
  }();
  return *calls;
}
}  // namespace detail

// A call record opened (ID 0, a record that could not be made, is skipped).
inline void Push(int32_t lProcID) noexcept {
  if (lProcID == 0) return;
  try {
    detail::OpenCalls().push_back(lProcID);
  } catch (...) {
    // Out of memory: the call is simply not tracked; Pop below then finds
    // its parent on top and leaves it alone.
  }
}

// A call record closed. Only the innermost entry can close, so anything
// else (a call that was never pushed) changes nothing.
inline void Pop(int32_t lProcID) noexcept {
  std::vector<int32_t>& calls = detail::OpenCalls();
  if (!calls.empty() && calls.back() == lProcID) calls.pop_back();
}

// The innermost open call, 0 when no traced call is open.
inline int32_t Innermost() noexcept {
  const std::vector<int32_t>& calls = detail::OpenCalls();
  return calls.empty() ? 0 : calls.back();
}

// How many traced calls are open.
inline int32_t Depth() noexcept {
  return static_cast<int32_t>(detail::OpenCalls().size());
}

}  // namespace App_CallStack
