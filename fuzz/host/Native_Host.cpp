// The system side of the pure logic, for the native build on Linux.
//
// The Windows builds get these routines from files that need the system
// (App_Debug.cpp, Config_Files.cpp, ckCrypt_Config.cpp, ChilkatCrypt2.cpp);
// here they are small stand-ins, so that the pure files link unchanged:
//  - tracing keeps its counters and builds every log entry's body with the
//    real ConstructDebugMsg, into an in-memory pending log;
//  - the configuration store reads files from memory (Native_Host::PutFile),
//    through the same decoding as the program, its folder is "C:\Kit\Config\";
//  - the ANSI code page is Windows-1252 (Wine's and Western Windows'
//    default), characters it lacks becoming "?";
//  - there is no cipher: a plain stand-in keeps the store's encrypted form
//    readable both ways (see EncryptData_Config below).
#include "Native_Host.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/App_Common.h"
#include "config/Config_Class.h"
#include "config/Config_Text.h"
#include "config/ckCrypt_Config.h"
#include "diag/App_Debug.h"
#include "diag/App_Err.h"
#include "hosted/ChilkatCrypt2.h"
#include "util/App_Strings.h"
#include "util/App_TextCodec.h"
#include "util/App_Variables.h"

#ifdef LoadString
#undef LoadString
#endif

namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F; 0 where it has none.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::wstring AnsiToText(std::string_view b) {
  std::wstring out;
  out.reserve(b.size());
  for (const char ch : b) {
    const auto c = static_cast<unsigned char>(ch);
    const char16_t hi = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : 0;
    out.push_back(c >= 0x80 && c < 0xA0 ? (hi ? static_cast<wchar_t>(hi) : static_cast<wchar_t>(c))
                                        : static_cast<wchar_t>(c));
  }
  return out;
}

char TextToAnsiChar(wchar_t w) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return static_cast<char>(w);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && static_cast<wchar_t>(kCp1252High[i]) == w) return static_cast<char>(0x80 + i);
  return '?';
}

std::map<std::wstring, std::string>& Files() {
  static std::map<std::wstring, std::string> files;
  return files;
}

struct HostDebug {
  App_Debug::App_DebugCounters counters;
  std::deque<App_Proc> procs;
  std::set<std::wstring, std::less<>> names;  // the records keep views of these
  std::wstring pending;
  std::function<void(std::wstring_view)> sink;
};

HostDebug& D() {
  static HostDebug d;
  return d;
}

}  // namespace

namespace Native_Host {

void PutFile(std::wstring_view sFile, std::string_view sBytes) {
  Files()[App_Strings::LCase(sFile)] = std::string(sBytes);
}

void ClearFiles() {
  Files().clear();
}

}  // namespace Native_Host

// ---- tracing and the debug log ----------------------------------------------------------------

namespace App_Debug {

bool DebugLog_Verbose = false;
bool DebugLog_SystemOutput = false;
std::wstring DebugLog_SystemOutputPrefix;

const App_DebugCounters& Counters() {
  return D().counters;
}
void SetSystemOutputSink(std::function<void(std::wstring_view)> sink) {
  D().sink = std::move(sink);
}

void InitDebugModuleVars() {
  D().counters = {};
  D().procs.clear();
  D().pending.clear();
}

int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, App_ProcType type) {
  HostDebug& d = D();
  ++d.counters.GlobalEvent;
  ++d.counters.Entered;
  const std::wstring_view sModule = *d.names.emplace(sSourceModule).first;
  const std::wstring_view sName = *d.names.emplace(sProcName).first;
  d.procs.emplace_back(static_cast<int32_t>(d.procs.size()) + 1, type, sModule, sName);
  return static_cast<int32_t>(d.procs.size());
}

int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, std::wstring_view sProcType) {
  return ProcNew(sSourceModule, sProcName, static_cast<App_ProcType>(GetProcedureTypeFromString(sProcType)));
}

App_Proc* ProcObject(int32_t lProcID) {
  HostDebug& d = D();
  if (lProcID < 1 || static_cast<size_t>(lProcID) > d.procs.size()) return nullptr;
  return &d.procs[static_cast<size_t>(lProcID) - 1];
}

bool ProcExists(int32_t lProcID) {
  return ProcObject(lProcID) != nullptr;
}
int32_t ProcCount() {
  return static_cast<int32_t>(D().procs.size());
}

void ProcVar(int32_t lProcID, int32_t lVarKind, const std::vector<App_Variant>& values) {
  if (App_Proc* p = ProcObject(lProcID)) p->SetVars(lVarKind, App_Variables::pVarList(values));
}

void ProcVar(int32_t lProcID, int32_t lVarKind, std::initializer_list<App_Variant> values) {
  ProcVar(lProcID, lVarKind, std::vector<App_Variant>(values));
}

void ProcExit(int32_t lProcID) {
  if (ProcObject(lProcID)) ++D().counters.Exited;
}

void dLog(int32_t lProcID, std::wstring_view sMsg, int32_t lEventType, std::wstring_view sVars,
          const App_ErrNumbers&, const App_ErrNumbers&) {
  App_ErrState err = std::move(App_Err::Pending());
  App_Err::Clear();
  HostDebug& d = D();
  ++d.counters.GlobalEvent;
  ++d.counters.GlobalNonFlowEvent;
  if (lEventType == evNormal) ++d.counters.Normal;
  if (lEventType == evVerbose) ++d.counters.Verbose;
  if (lEventType == evErrorHandler) ++d.counters.ErrorHandler;
  if (lEventType == evAPIError) ++d.counters.APIError;
  if (lEventType == evVerbose && !DebugLog_Verbose) return;
  std::wstring ref = L"-1";
  if (const App_Proc* p = ProcObject(lProcID))
    ref = p->ProcedureSource() + L".ProcID=" + std::to_wstring(lProcID);
  const std::wstring body = ConstructDebugMsg(lEventType, ref, sMsg, sVars, 0, err.LastDllError, {},
                                              err.Number, err.Description, err.Source, {}, {}, {});
  if (!d.pending.empty()) d.pending.append(L"\r\n\r\n");
  d.pending.append(L"00:00:00 ").append(GetEventTypeAsString(lEventType)).append(L" Event\r\n");
  d.pending.append(body);
}

void dPrint(std::wstring_view sSource, std::wstring_view sMsg, int32_t lEventType, std::wstring_view sVars) {
  App_ErrState err = std::move(App_Err::Pending());
  App_Err::Clear();
  if (!(DebugLog_SystemOutput && DebugLog_Verbose) || !D().sink) return;
  D().sink(ConstructDebugMsg(lEventType, sSource, sMsg, sVars, 0, 0, {}, err.Number, err.Description,
                             err.Source, {}, {}, {}));
}

int32_t ProcError(int32_t lProcID, std::wstring_view sMsg, std::wstring_view sVars,
                  const App_ErrNumbers& vExpectedRT, const App_ErrNumbers& vExpectedAPI) {
  const int32_t pending = App_Err::Pending().Number;
  dLog(lProcID, sMsg, evErrorHandler, sVars, vExpectedRT, vExpectedAPI);
  return pending;
}

int32_t ProcAPIError(int32_t, std::wstring_view, std::wstring_view, const App_ErrNumbers&) {
  return 0;  // no system call failed: there are none here
}

int32_t PerfTimer_GetTime() {
  return 0;
}  // the timer is off

std::wstring GetSystemMsg(int64_t lMsgNumber, bool, bool, bool bIncludeNumber) {
  const std::wstring text = L"System error " + std::to_wstring(lMsgNumber);
  return bIncludeNumber ? L"[" + std::to_wstring(lMsgNumber) + L"=" + text + L"]" : text;
}

std::wstring DebugLogPending() {
  return D().pending;
}
std::wstring_view DebugLogPendingView() {
  return D().pending;
}

}  // namespace App_Debug

// The debug-log labels as the program assembles them at start-up.
void App_Common::SetAppGeneratedVars() {
  const std::wstring labels[12] = {L"EventType", L"Msg",       L"Vars",   L"ArgsByVal",
                                   L"ArgsByRef", L"LocalVars", L"Error",  L"APIErr",
                                   L"RTErr",     L"(Hex",      L"Source", L"Desc"};
  App_Debug::SetDebugLabels(labels);
}

// ---- the configuration store's system side ------------------------------------------------

std::wstring Config_Class::ConfigFolderBS() {
  return L"C:\\Kit\\Config\\";
}

Config_Class::SharedText Config_Class::ResolveDefFile(std::wstring_view sDefFile) {
  if (sDefFile.empty()) return nullptr;
  if (lastFullDefFile_ && sDefFile == *lastFullDefFile_) return lastFullDefFile_;
  const bool bFull = sDefFile.find(L'\\') != std::wstring_view::npos &&
                     ((sDefFile.size() >= 2 && sDefFile[1] == L':') || sDefFile.starts_with(L"\\\\"));
  if (bFull) {
    lastFullDefFile_ = std::make_shared<const std::wstring>(sDefFile);
    return lastFullDefFile_;
  }
  std::wstring sFull = ConfigFolderBS();
  if (sDefFile.starts_with(L'\\')) sFull.pop_back();
  sFull.append(sDefFile);
  return std::make_shared<const std::wstring>(std::move(sFull));
}

bool Config_Class::ReadLines(std::wstring_view sFile, std::vector<std::wstring>& lines) {
  lines.clear();
  const auto it = Files().find(App_Strings::LCase(sFile));
  if (it == Files().end()) return false;
  Config_Text::Config_TextEncoding lEncoding = Config_Text::cteAnsi;
  std::vector<int32_t> skipped;
  return Config_Text::FileLines(it->second, &AnsiToText, lines, lEncoding, skipped);
}

bool Config_Class::LoadDir(std::wstring_view, bool, bool, bool, int32_t) {
  return false;  // no folders here
}

// ---- the cipher --------------------------------------------------------------------------------

namespace ckCrypt_Config {

bool IsEncryptedValue_KVP(std::wstring_view sValue, std::wstring& sMarker, int32_t& lMarkerLen) {
  for (const std::wstring_view m : {EncryptedMarker, LegacyMarker}) {
    if (sValue.size() > m.size() && sValue.starts_with(m)) {
      sMarker = m;
      lMarkerLen = static_cast<int32_t>(m.size());
      return true;
    }
  }
  sMarker.clear();
  lMarkerLen = 0;
  return false;
}

bool IsEncryptedForm(std::wstring_view sValue) {
  std::wstring sMarker;
  int32_t lLen = 0;
  return IsEncryptedValue_KVP(sValue, sMarker, lLen);
}

// No cipher here: the stand-in's "cipher text" is the hexadecimal form of
// the text's UTF-8 bytes. It keeps no secret; it lets the store's
// conversions be followed both ways. The legacy form does not read.
std::wstring EncryptData_Config(std::wstring_view sText) {
  std::string bytes;
  if (sText.empty() || !App_TextCodec::Utf16ToUtf8(sText, bytes)) return {};
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  for (const char c : bytes) {
    out.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kHex[static_cast<unsigned char>(c) & 0x0F]);
  }
  return out;
}

std::wstring DecryptData_Config(std::wstring_view sStoredValue) {
  if (sStoredValue.starts_with(LegacyMarker)) return {};
  if (sStoredValue.starts_with(EncryptedMarker)) sStoredValue.remove_prefix(EncryptedMarker.size());
  std::string bytes;
  std::wstring out;
  if (!HexDecode(sStoredValue, bytes) || !App_TextCodec::Utf8ToUtf16(bytes, out)) return {};
  return out;
}

std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted) {
  if (sValue.empty()) return {};
  if (bEncrypted) {
    if (sValue.size() > EncryptedMarker.size() && sValue.starts_with(EncryptedMarker))
      return std::wstring(sValue);
    const std::wstring sCipher = EncryptData_Config(sValue);
    return sCipher.empty() ? std::wstring() : std::wstring(EncryptedMarker) + sCipher;
  }
  return IsEncryptedForm(sValue) ? DecryptData_Config(sValue) : std::wstring(sValue);
}

std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted, std::wstring_view, int32_t) {
  return EnsureFormat_KVP(sValue, bEncrypted);
}

}  // namespace ckCrypt_Config

ChilkatCrypt2::~ChilkatCrypt2() = default;

void ChilkatCrypt2::Begin() {
  lastSuccess_ = true;
  lastError_.clear();
}

void ChilkatCrypt2::Fail(std::wstring_view sReason) {
  lastSuccess_ = false;
  lastError_ = sReason;
}

std::wstring ChilkatCrypt2::EncodeString(std::wstring_view sText, std::wstring_view sCharset,
                                         std::wstring_view sEncoding) {
  Begin();
  std::string bytes;
  if (App_Strings::EqualText(sCharset, L"ansi", false)) {
    for (const wchar_t w : sText) bytes.push_back(TextToAnsiChar(w));
  } else if (!App_TextCodec::Utf16ToUtf8(sText, bytes)) {
    Fail(L"The text cannot be written in the charset");
    return {};
  }
  if (!App_Strings::EqualText(sEncoding, L"url", false)) {
    Fail(L"Unsupported encoding");
    return {};
  }
  return App_TextCodec::UrlEncodeBytes(bytes);
}
