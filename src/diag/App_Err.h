// The program's run-time errors and the pending error state.
//
// No routine raises an error to its caller. A step of a traced procedure
// that fails throws App_RuntimeError (or a standard exception); the step
// guard of App_Trace catches it, files it here as the pending error, and the
// debug log (dLog / dPrint) captures and clears it when it logs the event.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// One run-time error: number, description and source.
class App_RuntimeError : public std::exception {
 public:
  App_RuntimeError(int32_t lNumber, std::wstring sDescription, std::wstring sSource);
  const char* what() const noexcept override { return "App_RuntimeError"; }
  int32_t Number() const { return Number_; }
  const std::wstring& Description() const { return Description_; }
  const std::wstring& Source() const { return Source_; }

 private:
  int32_t Number_;
  std::wstring Description_;
  std::wstring Source_;
};

// The pending error that the next log call picks up.
struct App_ErrState {
  int32_t Number = 0;         // run-time error number, 0 when none
  std::wstring Description;   // its description
  std::wstring Source;        // its source
  uint32_t LastDllError = 0;  // system error number of a failed system call, 0 when none
};

namespace App_Err {

// The project name: a run-time error whose source is this name is logged
// without a source.
inline constexpr std::wstring_view ProjectName = L"LumoBrowser";

// Run-time error numbers the framework raises itself.
inline constexpr int32_t ErrInvalidCall = 5;
inline constexpr int32_t ErrOverflow = 6;
inline constexpr int32_t ErrOutOfMemory = 7;
inline constexpr int32_t ErrSubscript = 9;
inline constexpr int32_t ErrTypeMismatch = 13;
inline constexpr int32_t ErrInternal = 51;
inline constexpr int32_t ErrObjectNotSet = 91;

App_ErrState& Pending();
void Clear();

// Throws App_RuntimeError; the source defaults to the project name.
[[noreturn]] void Raise(int32_t lNumber, std::wstring_view sDescription = {},
                        std::wstring_view sSource = ProjectName);

// Standard description of a framework error number ("" when unknown).
std::wstring_view DescriptionOf(int32_t lNumber);

// Files the exception being handled (call only inside a catch block) as the
// pending run-time error.
void CaptureCurrentException() noexcept;

// Files a system error number as pending (what a failed system call left).
void SetLastDllError(uint32_t lError) noexcept;

}  // namespace App_Err
