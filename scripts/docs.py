#!/usr/bin/env python3
"""The shared parts of the two READMEs, written once.

docs/LumoBrowser.cfg (the sample configuration) is the one source of the
settings table, docs/command-line.txt the one source of the command-line
forms. This script puts both into README.md (between the "generated"
markers) and into the technicians' README.txt (from docs/README.txt.in).

  docs.py update              rewrite README.md's generated sections
  docs.py check               fail when README.md's sections are not current
  docs.py readme-txt VERSION  print README.txt (LF line ends)
  docs.py usage-header OUT    write the C++ header with the usage "/?" shows
"""

import re
import sys
import textwrap
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SAMPLE = ROOT / "docs" / "LumoBrowser.cfg"
COMMAND_LINE = ROOT / "docs" / "command-line.txt"
README_MD = ROOT / "README.md"
README_TXT_IN = ROOT / "docs" / "README.txt.in"

# A setting of the sample: ";Key=default" with no space after the ";".
ENTRY = re.compile(r"^;([A-Za-z][A-Za-z0-9_]*(?:\.[A-Za-z0-9_]+)+)=(.*)$")
# The per-flag switches that the README shows as one row.
FLAG_FAMILY = "RunX.StandardEXE.Admin.ProcFlags."


def sample_entries(text=None):
  """(key, default, description) of every setting in the sample, in order;
  the description is the comment paragraph right above the setting."""
  lines = (text if text is not None else SAMPLE.read_text()).splitlines()
  entries, para = [], []
  for line in lines:
    m = ENTRY.match(line)
    if m:
      entries.append((m.group(1), m.group(2), " ".join(para)))
      para = []
    elif line.startswith("; ") and not line.startswith("; =="):
      para.append(line[2:].strip())
    else:
      para = []
  return entries


def rows():
  """Table rows (key, default, description): the flag switches as one row."""
  out, flags = [], []
  for key, default, desc in sample_entries():
    if key.startswith(FLAG_FAMILY):
      if not flags:
        out.append(None)  # the family's place in the table
      flags.append(key[len(FLAG_FAMILY):])
    else:
      out.append((key, default, desc))
  family = (FLAG_FAMILY + "<flag>", "0",
            "With RunX.ProcFlags.EnableAltFlags=1, one switch per creation flag: " + ", ".join(flags) +
            ". Config\\LumoBrowser.cfg describes each flag and the naming pattern of the family.")
  return [family if r is None else r for r in out]


def shown(default):
  return default if default != "" else "empty"


def settings_markdown():
  out = ["| Setting | Default | What it does |", "|---|---|---|"]
  for key, default, desc in rows():
    desc = desc.replace('|', '/').replace('<', '&lt;')
    out.append(f"| `{key}` | {shown(default)} | {desc} |")
  return "\n".join(out)


def settings_text():
  out = []
  for key, default, desc in rows():
    out.append(f"{key}   (default: {shown(default)})")
    out += textwrap.wrap(desc, 72, initial_indent="    ", subsequent_indent="    ")
    out.append("")
  return "\n".join(out).rstrip()


def command_line_text():
  return COMMAND_LINE.read_text().rstrip()


def command_line_markdown():
  return "\n".join(("    " + l) if l else "" for l in command_line_text().splitlines())


def usage_header():
  """docs/command-line.txt as a wide string literal, CR LF line ends."""
  def literal(line):
    text = "".join(c if 32 <= ord(c) < 127 and c not in '\\"' else
                   ("\\" + c if c in '\\"' else "\\x%04x" % ord(c)) for c in line)
    return '    L"%s\\r\\n"' % text
  lines = [literal(l) for l in command_line_text().splitlines()]
  return ("// Written by scripts/docs.py from docs/command-line.txt: the usage \"/?\" shows.\n"
          "#pragma once\n\ninline constexpr wchar_t kCommandLineUsage[] =\n" + "\n".join(lines) + ";\n")


SECTIONS = {"settings": settings_markdown, "command-line": command_line_markdown}


def updated_readme(text):
  for name, make in SECTIONS.items():
    pattern = re.compile(r"(<!-- generated: %s .*?-->\n).*?(<!-- end of generated: %s -->)" %
                         (re.escape(name), re.escape(name)), re.S)
    if not pattern.search(text):
      raise SystemExit(f"README.md has no generated section '{name}'")
    text = pattern.sub(lambda m: m.group(1) + "\n" + make() + "\n\n" + m.group(2), text)
  return text


def main(argv):
  cmd = argv[1] if len(argv) > 1 else ""
  if cmd == "update":
    README_MD.write_text(updated_readme(README_MD.read_text()))
  elif cmd == "check":
    if README_MD.read_text() != updated_readme(README_MD.read_text()):
      print("README.md: the settings or command-line section is not current; run scripts/docs.py update")
      return 1
    print("README.md: generated sections are current")
  elif cmd == "readme-txt" and len(argv) == 3:
    text = README_TXT_IN.read_text()
    text = text.replace("@VERSION@", argv[2]).replace("@COMMAND_LINE@", command_line_text())
    sys.stdout.write(text.replace("@SETTINGS@", settings_text()))
  elif cmd == "usage-header" and len(argv) == 3:
    out = Path(argv[2])
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(usage_header())
  else:
    print(__doc__)
    return 2
  return 0


if __name__ == "__main__":
  sys.exit(main(sys.argv))
