#!/usr/bin/env python3
"""The sample configuration (docs/LumoBrowser.cfg) lists exactly the keys
the program reads.

The keys are collected from the sources by these conventions:
  - a key read by its literal name is a constant named kSetting... whose
    value is the key: kSettingHomePage = L"Browser.HomePage";
  - a window-metric key is read as
    Get...(Config_Class::GetMetricSettingName(<form>, cwm<Metric>)) by the
    window manager, for every form named by App_Form(L"<form>", ...) in a
    source that gives its form an xForms manager;
  - the process-creation-flag switches are built at run time: their flag
    names are the rows {L"<Flag>", <value>} of the table in the source that
    reads "EnableAltFlags". Until that source exists, the sample's RunX
    entries are only checked against the family's name pattern.
"""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
import docs  # noqa: E402

FLAG_KEY = re.compile(r"^RunX\.(StandardEXE|DLL|ServiceEXE)\.(LocalSystem|Admin|LimitedUser)\."
                      r"(?:(RunAsAdmin|RunAsLimitedUser|RunAsLocalSystem)\.)?ProcFlags\.([A-Za-z]+)$")
ENABLE_KEY = "RunX.ProcFlags.EnableAltFlags"


def sources():
  return {p: p.read_text(errors="replace") for p in sorted((ROOT / "src").rglob("*.[ch]*"))}


def literal_keys(src):
  keys = set()
  for text in src.values():
    keys |= set(re.findall(r'\bkSetting\w*\s*=\s*L"([^"]+)"', text))
  return keys


def metric_keys(src):
  forms, metrics = set(), set()
  for text in src.values():
    if "xForms" in text:
      forms |= set(re.findall(r'\bApp_Form\(\s*L"(\w+)"', text))
    metrics |= set(re.findall(r'\bGet(?:Bool|String|Long)\(\s*Config_Class::GetMetricSettingName\(\s*\w+\s*,'
                              r'\s*cwm(\w+)\s*\)', text))
  return {f"{f}.Window_Metrics_{m}" for f in forms for m in metrics}


def code_flag_names(src):
  """None when no source reads the flag switches yet."""
  readers = [t for t in src.values() if "EnableAltFlags" in t]
  if not readers:
    return None
  names = set()
  for text in readers:
    names |= set(re.findall(r'\{\s*L"([A-Za-z]+)"\s*,\s*(?:0x[0-9A-Fa-f]+|[A-Z_]+)\s*[,}]', text))
  return names


def main():
  failures = []
  sample_text = docs.SAMPLE.read_text()
  entries = docs.sample_entries(sample_text)
  sample = {k for k, _, _ in entries}

  # Copied as it is, the sample changes nothing: no line is an active setting.
  for n, line in enumerate(sample_text.splitlines(), 1):
    if line.strip() and not line.startswith(";"):
      failures.append(f"sample line {n} is not a comment: {line!r}")
  if len(sample) != len(entries):
    failures.append("the sample lists a key twice")
  for key, _, desc in entries:
    if not desc and not FLAG_KEY.match(key):
      failures.append(f"{key}: the sample does not say what it does")

  src = sources()
  code = literal_keys(src) | metric_keys(src)
  if not code:
    failures.append("no keys found in the sources: has the kSetting convention changed?")
  runx = {k for k in sample if k.startswith("RunX.")}
  for key in sorted(runx - {ENABLE_KEY}):
    if not FLAG_KEY.match(key):
      failures.append(f"{key}: not of the form RunX.<kind>.<account>.[<run-as>.]ProcFlags.<flag>")
  sample_flags = {FLAG_KEY.match(k).group(4) for k in runx if FLAG_KEY.match(k)}

  flags = code_flag_names(src)
  if flags is None:
    print(f"note: no source reads {ENABLE_KEY} yet; {len(runx)} RunX entries checked by pattern only")
    sample -= runx
  else:
    if not flags:
      failures.append("the source reading EnableAltFlags has no {L\"<Flag>\", <value>} rows")
    code.add(ENABLE_KEY)
    sample -= runx - {ENABLE_KEY}
    for name in sorted(flags - sample_flags):
      failures.append(f"flag {name} is read by the program but not in the sample")
    for name in sorted(sample_flags - flags):
      failures.append(f"flag {name} is in the sample but the program does not read it")

  for key in sorted(code - sample):
    failures.append(f"{key} is read by the program but not in the sample")
  for key in sorted(sample - code):
    failures.append(f"{key} is in the sample but the program does not read it")

  for f in failures:
    print("FAIL:", f)
  print(f"settings sample: {len(code)} keys from the sources, {len(entries)} entries in the sample, "
        f"{len(sample_flags)} flag switches")
  return 1 if failures else 0


if __name__ == "__main__":
  sys.exit(main())
