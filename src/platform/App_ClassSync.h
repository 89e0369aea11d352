// The framework's cleanup interface and its generic object-destroy routine.
#pragma once

#include <memory>
#include <type_traits>

// An object that has work to do before it goes (saving, releasing what it
// holds). Cleanup may run more than once; the object makes the second a no-op.
class App_ClassSync {
 public:
  virtual ~App_ClassSync() = default;
  virtual void App_ClassSync_CleanUp() = 0;
};

namespace App_Common {

// Runs the object's cleanup when it has one, then drops it.
template <class T>
void DestroyObject(std::unique_ptr<T>& obj) {
  if (!obj) return;
  if constexpr (std::is_base_of_v<App_ClassSync, T>) obj->App_ClassSync_CleanUp();
  obj.reset();
}

}  // namespace App_Common
