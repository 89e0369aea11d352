/* Windows XP has no GetTickCount64, but the static thread library of the
 * toolchain imports it. This file supplies the import slot itself, so the
 * release exe carries no import that XP lacks: the slot points at a function
 * that uses the system's GetTickCount64 when there is one (Vista and later)
 * and otherwise extends GetTickCount past its 49.7-day wrap. Linked only into
 * the 32-bit release exe. */
#include <windows.h>

typedef ULONGLONG(WINAPI* TickCount64Fn)(void);

static ULONGLONG WINAPI TickCount64FromTickCount(void) {
  /* High half: wraps seen so far; low half: the last reading. */
  static volatile LONGLONG state = 0;
  for (;;) {
    const LONGLONG old = state;
    const DWORD now = GetTickCount();
    ULONGLONG wraps = (ULONGLONG)old >> 32;
    if (now < (DWORD)old) ++wraps;
    const LONGLONG next = (LONGLONG)((wraps << 32) | now);
    if (__sync_bool_compare_and_swap(&state, old, next)) return (ULONGLONG)next;
  }
}

static ULONGLONG WINAPI TickCount64(void) {
  static TickCount64Fn fn = NULL;
  if (!fn) {
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    TickCount64Fn sys = k ? (TickCount64Fn)(void*)GetProcAddress(k, "GetTickCount64") : NULL;
    fn = sys ? sys : TickCount64FromTickCount;
  }
  return fn();
}

TickCount64Fn lumo_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0") = TickCount64;
