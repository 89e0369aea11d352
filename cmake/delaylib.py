#!/usr/bin/env python3
"""Writes a delay-load import library for one system DLL from the toolchain's
ordinary import library: the same function names, resolved at the first call
instead of when the process starts.

Usage: delaylib.py NM DLLTOOL OBJCOPY IMPORT_LIB DLL_NAME OUT_LIB PROCESSOR

The thunks dlltool writes sit in each member's .text section. The 32-bit
linker drops the .text of an import-library member whose symbols nothing
calls directly: right for an ordinary import library, where .text is only a
jump stub, but here the IAT slot starts out pointing at that thunk, and a
call through __imp_ then jumps to address 0. The thunks are therefore moved
to a section the linker does not take for a stub (.text$delay, a data
section by its flags), which the linker script still places inside the
executable .text of the program.
"""
import os
import subprocess
import sys


def main():
    nm, dlltool, objcopy, implib, dll, out, processor = sys.argv[1:8]
    listing = subprocess.run([nm, implib], check=True, capture_output=True, text=True).stdout
    names = set()
    for line in listing.splitlines():
        parts = line.split()
        if len(parts) != 3 or parts[1] != "I" or not parts[2].startswith("__imp_"):
            continue
        name = parts[2][len("__imp_"):]
        # 32-bit names carry the C underscore: __imp__Foo@8 is Foo@8.
        if processor == "x86":
            if not name.startswith("_"):
                continue
            name = name[1:]
        names.add(name)
    if not names:
        sys.exit(f"delaylib: no functions found in {implib}")
    deffile = os.path.abspath(out) + ".def"
    with open(deffile, "w") as f:
        f.write(f"LIBRARY {dll}\nEXPORTS\n")
        for n in sorted(names):
            f.write(f"  {n}\n")
    # --kill-at: the 32-bit functions are imported by their plain names.
    # Run in the output folder: the library's symbols are named after the
    # file name given, and a bare name keeps the build path out of them.
    folder, name = os.path.split(os.path.abspath(out))
    subprocess.run([dlltool, "--kill-at", "--def", os.path.basename(deffile), "--dllname", dll,
                    "--output-delaylib", name], check=True, cwd=folder)
    subprocess.run([objcopy, "--rename-section", ".text=.text$delay,contents,alloc,load,readonly,data",
                    name], check=True, cwd=folder)


if __name__ == "__main__":
    main()
