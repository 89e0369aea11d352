#!/usr/bin/env bash
# Lists the imports of the 32-bit release exe and fails when it needs a DLL
# that is not Windows' own, a function that Windows XP SP3 lacks (the list in
# tools/xp-missing-imports.txt), a subsystem version above 5.01, or no
# Terminal Server awareness.
# Usage: check-imports.sh LumoBrowser.exe
set -euo pipefail
exe="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
objdump=i686-w64-mingw32-objdump
dump="$($objdump -p "$exe")"

# System DLLs of Windows XP SP3 the program may import.
allowed_dlls="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll
oleaut32.dll comctl32.dll comdlg32.dll version.dll winmm.dll psapi.dll userenv.dll netapi32.dll
mpr.dll wininet.dll imagehlp.dll ntdll.dll msvcrt.dll ws2_32.dll crypt32.dll uxtheme.dll
iphlpapi.dll secur32.dll wtsapi32.dll setupapi.dll"

fail=0
# The functions Windows XP SP3 lacks, one name per line.
xp_missing="$(grep -v '^#' "$root/tools/xp-missing-imports.txt" | awk 'NF {print $1}')"
# check_dll VERB DLL: the DLL must be one of Windows' own.
check_dll() {
  if ! grep -qw -- "$2" <<<"$allowed_dlls"; then
    echo "FAIL: $1 $2, which is not a Windows system DLL"
    fail=1
  fi
}
# check_fn NAME SHOWN: the function must exist on Windows XP SP3.
check_fn() {
  if grep -qx -- "$1" <<<"$xp_missing"; then
    echo "FAIL: $2 does not exist on Windows XP SP3 (look it up at run time)"
    fail=1
  fi
}

imports="$(awk '
  /DLL Name:/ { dll=tolower($3); print "DLL " dll; next }
  /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ { if (dll != "") print "FN " dll " " $3 }
  /^$/ { }
' <<<"$dump")"

dlls="$(grep '^DLL ' <<<"$imports" | cut -d' ' -f2 | sort -u)"
nfun=$(grep -c '^FN ' <<<"$imports" || true)
echo "imports: $(wc -w <<<"$dlls") DLLs, $nfun functions"
for d in $dlls; do check_dll imports "$d"; done
while read -r kind dll fn; do
  [ "$kind" = FN ] && check_fn "$fn" "$dll!$fn"
done <<<"$imports"

# Delay-loaded DLLs and functions: the import table does not list them. The
# build's exe keeps its symbols (the package strips them), and those name
# each delay-loaded DLL and every imported function.
symbols="$(i686-w64-mingw32-nm "$exe" 2>/dev/null || true)"
if [ -z "$symbols" ]; then
  echo "FAIL: $exe has no symbols; check the build's exe, not the packed one"
  fail=1
fi
delayed="$(sed -n 's/.* __DELAY_IMPORT_DESCRIPTOR_lib\(.*\)_delay_a$/\1.dll/p' <<<"$symbols" | sort -u)"
echo "delay-loaded: $(wc -w <<<"$delayed") DLLs ($(tr '\n' ' ' <<<"$delayed"))"
for d in $delayed; do check_dll delay-loads "$d"; done
while read -r fn; do
  [ -n "$fn" ] && check_fn "$fn" "$fn"
done < <(sed -n 's/.* [Ii] __imp__\([A-Za-z0-9_]*\).*/\1/p' <<<"$symbols" | sort -u)
# Each delay-loaded function's slot starts out pointing at its loading
# thunk. A thunk the linker dropped is left as an absolute 0, and the first
# call jumps there.
lost="$(awk '$2 == "A" && $1 ~ /^0+$/ { zero[$3] = 1 }
             $2 ~ /^[Ii]$/ && $3 ~ /^__imp_/ { imp[substr($3, 7)] = 1 }
             END { for (s in zero) if (s in imp) print s }' <<<"$symbols" | sort)"
if [ -n "$lost" ]; then
  echo "FAIL: $(wc -l <<<"$lost") delay-loaded functions have no loading thunk (address 0), e.g. $(head -3 <<<"$lost" | tr '\n' ' ')"
  fail=1
fi

major=$(awk '/MajorSubsystemVersion/ {print $2}' <<<"$dump")
minor=$(awk '/MinorSubsystemVersion/ {print $2}' <<<"$dump")
if [ "$major" -gt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -gt 1 ]; }; then
  echo "FAIL: subsystem version $major.$minor is above 5.01"
  fail=1
fi
# Terminal Server aware (0x8000): otherwise a Terminal Server gives the
# program a per-user Windows folder the user can write.
chars=$(awk '/^DllCharacteristics/ {print $2}' <<<"$dump")
if [ $(( 0x${chars:-0} & 0x8000 )) -eq 0 ]; then
  echo "FAIL: $exe is not Terminal Server aware (DllCharacteristics $chars; link with -Wl,--tsaware)"
  fail=1
fi
machine=$(awk -F"[ ,]+" '/^architecture:/ {print $2}' <<<"$($objdump -f "$exe")")
[ "$machine" = "i386" ] || { echo "FAIL: $exe is not a 32-bit exe ($machine)"; fail=1; }

if [ $fail -ne 0 ]; then
  echo "import check: FAILED"
  exit 1
fi
echo "import check: passed (subsystem $major.$minor, only XP SP3 system functions)"
