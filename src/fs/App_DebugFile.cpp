// The traced twin of the text-file writer.
#include <windows.h>

#include "diag/App_Debug.h"
#include "diag/App_LogMsgs.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "util/App_AnsiText.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Debug {

bool SaveTextToFile_Debug(std::wstring_view sFile, std::wstring_view sText, bool bOverwrite,
                          bool bNoDuplicates, bool bSkipFolderCheck) {
  App_Trace t(L"App_Debug", L"SaveTextToFile_Debug");
  bool ok = false;
  t.Vars(vkPassedByVal, {L"sFile", sFile, L"bOverwrite", bOverwrite, L"bNoDuplicates", bNoDuplicates});
  t.Step([&] {
    if (App_Strings::Trim(sFile).empty()) {
      t.Log(App_LogMsgs::LogMsg(9, true));
      return;
    }
    if (!bSkipFolderCheck) {
      const std::wstring sPathOnly = App_Strings::GetFilePathOnly(sFile);
      int32_t lFailReason = 0;
      if (!App_FileSystem::EnsureDirExists(sPathOnly, lFailReason)) {
        t.Log(L"Aborting; EnsureDirExists Failure, cannot create destination directory!", evNormal,
              pVar(L"sPathOnly", sPathOnly));
        return;
      }
    }
    std::wstring sFileW(sFile);
    App_FilePath::PrepPathForUnicodeAPI(sFileW);
    t.Vars(vkCreated, {L"sFileW", sFileW});

    const std::wstring line = std::wstring(sText) + L"\r\n";
    if (!bOverwrite && bNoDuplicates && App_FileSystem::FileExistNL(sFile)) {
      std::string bytes;
      if (App_FileSystem::ReadFileBytes(sFile, bytes)) {
        const std::wstring existing = App_Strings::AnsiToWide(bytes) + L"\r\n";
        if (App_Strings::InStr(existing, line, App_Strings::cmText) != 0) {
          t.Log(L"Aborting; String already exists in file.", evVerbose);
          ok = true;
          return;
        }
      }
    }
    App_Handle h(::CreateFileW(sFileW.c_str(), bOverwrite ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ,
                               nullptr, bOverwrite ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!h.Valid()) {
      t.APIError(L"CreateFileW", pVar(L"sFile", sFile));
      return;
    }
    const std::string bytes = App_Strings::WideToAnsi(line);
    DWORD written = 0;
    if (!::WriteFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      t.APIError(L"WriteFile", pVar(L"sFile", sFile));
      return;
    }
    ok = true;
  });
  t.Vars(vkFunctionReturn, {ok});
  return ok;
}

}  // namespace App_Debug
