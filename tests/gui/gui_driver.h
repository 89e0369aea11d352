// Starting the real LumoBrowser.exe from a prepared program folder and
// driving its window from outside, as any other program could: window
// classes, captions, the menu bar, button clicks and window messages.
#pragma once

#include <windows.h>
// after <windows.h>, which it needs
#include <shlwapi.h>

#include <string>
#include <vector>

#include "lumo_files.h"
#include "lumo_keys.h"
#include "lumo_probe.h"

namespace gui {

// The exe as it ships, stripped of its symbols (the build writes it): the
// one the benchmarks time.
inline constexpr wchar_t kShippedExe[] = L"shipped\\LumoBrowser.exe";

// A fresh program folder with a copy of LumoBrowser.exe and, when given,
// Config\LumoBrowser.cfg and Config\Lumo.cfg.
class ProgramFolder {
 public:
  // sExe: the exe to copy in, from the build folder.
  explicit ProgramFolder(const std::string& sOwnCfg = {}, const std::string& sSharedCfg = {},
                         const wchar_t* sExe = L"LumoBrowser.exe") {
    wchar_t tmp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tmp);
    static int n = 0;
    Root = std::wstring(tmp) + L"lumo_gui_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
           std::to_wstring(++n);
    ::CreateDirectoryW(Root.c_str(), nullptr);
    ::CreateDirectoryW((Root + L"\\Config").c_str(), nullptr);
    Exe = Root + L"\\LumoBrowser.exe";
    ::CopyFileW((LumoTestDir() + sExe).c_str(), Exe.c_str(), FALSE);
    if (!sOwnCfg.empty()) LumoWriteBytes(Root + L"\\Config\\LumoBrowser.cfg", sOwnCfg);
    if (!sSharedCfg.empty()) LumoWriteBytes(Root + L"\\Config\\Lumo.cfg", sSharedCfg);
  }
  ~ProgramFolder() { LumoRemoveTree(Root); }
  std::wstring Root, Exe;
};

struct Child {
  HWND h;
  std::wstring Class, Text;
};

inline std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  ::GetClassNameW(h, buf, 256);
  return buf;
}

inline std::wstring TextOf(HWND h) {
  const LRESULT n = ::SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got =
      ::SendMessageW(h, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(got));
  return s;
}

// The program's running window; the process ends with this object.
class RunningBrowser {
 public:
  // Starts the exe with the arguments (with the recording web view unless
  // bRealWebView) and waits, up to 20 s, until its visible top-level window
  // of the class is there.
  explicit RunningBrowser(const std::wstring& sExe, const std::wstring& sArgs = {}, bool bRealWebView = false,
                          const std::wstring& sWindowClass = L"LumoForm")
      : windowClass_(sWindowClass) {
    ::SetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", bRealWebView ? nullptr : L"record");
    STARTUPINFOW si{sizeof(si)};
    std::wstring cl = L"\"" + sExe + L"\"" + (sArgs.empty() ? L"" : L" " + sArgs);
    const DWORD start = ::GetTickCount();
    if (!::CreateProcessW(nullptr, cl.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      return;
    while (!Window && ::GetTickCount() - start < 20000) {
      ::EnumWindows(
          [](HWND h, LPARAM lp) CALLBACK -> BOOL {
            auto* self = reinterpret_cast<RunningBrowser*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(h, &pid);
            if (pid == self->pi_.dwProcessId && ClassOf(h) == self->windowClass_ && ::IsWindowVisible(h)) {
              self->Window = h;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(this));
      if (!Window) {
        if (::WaitForSingleObject(pi_.hProcess, 20) == WAIT_OBJECT_0) break;
      }
    }
    MsToWindow = ::GetTickCount() - start;
    // The web view comes right after the frame has painted.
    while (Window && !AnyWebView() && ::GetTickCount() - start < 20000)
      if (::WaitForSingleObject(pi_.hProcess, 10) == WAIT_OBJECT_0) break;
  }
  ~RunningBrowser() {
    if (pi_.hProcess) {
      if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        if (Window) ::PostMessageW(Window, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(pi_.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(pi_.hProcess, 1);
      }
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
  }
  RunningBrowser(const RunningBrowser&) = delete;
  RunningBrowser& operator=(const RunningBrowser&) = delete;

  // Closes the window and waits for the process to end; its exit code.
  DWORD Close() {
    if (Window) ::SendMessageTimeoutW(Window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    DWORD code = 0xFFFFFFFF;
    if (::WaitForSingleObject(pi_.hProcess, 10000) == WAIT_OBJECT_0)
      ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  // Waits for the process to end by itself (a hand-off); false on time-out.
  bool Ended(DWORD lTimeoutMS = 10000) {
    return ::WaitForSingleObject(pi_.hProcess, lTimeoutMS) == WAIT_OBJECT_0;
  }

  std::vector<Child> Children() const {
    std::vector<Child> out;
    ::EnumChildWindows(
        Window,
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
          reinterpret_cast<std::vector<Child>*>(lp)->push_back({h, ClassOf(h), TextOf(h)});
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
  }
  HWND Find(const std::wstring& sClass, const std::wstring& sText = {}) const {
    for (const Child& c : Children())
      if (::GetParent(c.h) == Window && c.Class == sClass && (sText.empty() || c.Text == sText)) return c.h;
    return nullptr;
  }
  // The web view's window, recording or real, anywhere in the window.
  bool AnyWebView() const {
    for (const Child& c : Children())
      if (c.Class == L"LumoRecordingWebView" || c.Class == L"LumoWebViewHost") return true;
    return false;
  }
  HWND Button(const std::wstring& sCaption) const { return Find(L"Button", sCaption); }
  HWND Combo() const { return Find(L"ComboBox"); }
  HWND WebView() const { return Find(L"LumoRecordingWebView"); }
  // The recorded calls of the web view, one per line.
  std::wstring Recorded() const {
    std::wstring s = WebView() ? TextOf(WebView()) : L"<no web view>";
    std::wstring out;
    for (wchar_t c : s)
      if (c != L'\r') out += c;
    return out;
  }
  // Clicks a button the way the user would (the click reaches the window's handler).
  void Click(HWND hButton) const {
    ::SendMessageW(Window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hButton), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hButton));
  }
  void Type(const std::wstring& s) const {
    ::SendMessageW(Combo(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
  }
  int ListCount() const { return static_cast<int>(::SendMessageW(Combo(), CB_GETCOUNT, 0, 0)); }
  // The top-level menu captions.
  std::vector<std::wstring> MenuBar() const {
    std::vector<std::wstring> out;
    HMENU m = ::GetMenu(Window);
    for (int i = 0; m && i < ::GetMenuItemCount(m); ++i) {
      wchar_t buf[128] = {};
      ::GetMenuStringW(m, i, buf, 128, MF_BYPOSITION);
      out.push_back(buf);
    }
    return out;
  }
  // Lets the program handle what was sent so far.
  void Settle() const {
    DWORD_PTR r = 0;
    ::SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
  }

  HWND Window = nullptr;
  DWORD MsToWindow = 0;

 private:
  std::wstring windowClass_;
  PROCESS_INFORMATION pi_{};
};

// The program's visible browser window (class "LumoForm"): one of this
// thread's when bThisThread, else of any process; nullptr when none.
inline HWND VisibleForm(bool bThisThread = false) {
  struct Search {
    DWORD thread;
    HWND found;
  } s{bThisThread ? ::GetCurrentThreadId() : 0, nullptr};
  ::EnumWindows(
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (ClassOf(h) != L"LumoForm" || !::IsWindowVisible(h)) return TRUE;
        if (s->thread && ::GetWindowThreadProcessId(h, nullptr) != s->thread) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// Client-area rectangle of a child, in the parent's client coordinates.
inline RECT ChildRect(HWND hParent, HWND hChild) {
  RECT r{};
  ::GetWindowRect(hChild, &r);
  ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Wine's Windows release for LumoBrowser.exe alone ("" removes the switch).
inline void SetWineRelease(const wchar_t* sMode) {
  LumoSetWineRelease(L"LumoBrowser.exe", sMode);
}

// Forgets the saved window placements of the program.
inline void ForgetPlacements() {
  ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\LumoTech\\LumoBrowser");
}

}  // namespace gui
