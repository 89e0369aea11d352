// The system side of the configuration store (Config_Class): reading a
// configuration file, the configuration folder and the folder search.
#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "config/Config_Class.h"
#include "config/Config_Text.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "fs/FS_DirList.h"
#include "util/App_AnsiText.h"
#include "util/App_Variables.h"

#ifdef LoadString
#undef LoadString
#endif

namespace {

constexpr std::wstring_view kModule = L"Config_Class";

}  // namespace

std::wstring Config_Class::ConfigFolderBS() {
  return AppEnv().AppPathBS_Config;
}

Config_Class::SharedText Config_Class::ResolveDefFile(std::wstring_view sDefFile) {
  if (sDefFile.empty()) return nullptr;
  if (lastFullDefFile_ && sDefFile == *lastFullDefFile_) return lastFullDefFile_;
  if (App_FilePath::IsFullPath(sDefFile)) {
    lastFullDefFile_ = std::make_shared<const std::wstring>(sDefFile);
    return lastFullDefFile_;
  }
  const App_Env& env = AppEnv();
  std::wstring sFull(sDefFile.starts_with(L'\\') ? env.AppPath_Config : env.AppPathBS_Config);
  sFull.append(sDefFile);
  return std::make_shared<const std::wstring>(std::move(sFull));
}

bool Config_Class::ReadLines(std::wstring_view sFile, std::vector<std::wstring>& lines) {
  App_Trace t(kModule, L"ReadLines");
  t.Vars(vkPassedByVal, {L"sFile", sFile});
  lines.clear();
  bool result = false;
  t.Step([&] {
    std::string bytes;
    if (!App_FileSystem::ReadFileBytes(sFile, bytes)) {
      t.Log(L"The configuration file could not be read.", evNormal, pVar(L"sFile", sFile));
      return;
    }
    Config_Text::Config_TextEncoding lEncoding = Config_Text::cteAnsi;
    std::vector<int32_t> skipped;
    result = Config_Text::FileLines(bytes, &App_Strings::AnsiToWide, lines, lEncoding, skipped);
    if (lEncoding != Config_Text::cteAnsi) {
      t.Log(L"The configuration file is read as " + std::wstring(Config_Text::EncodingName(lEncoding)) +
                L" (byte-order mark).",
            evVerbose, pVar(L"sFile", sFile));
    }
    for (const int32_t lLine : skipped) {
      t.Log(L"Line " + std::to_wstring(lLine) +
                L" of the configuration file holds a NUL character; the line is skipped.",
            evNormal, pVar(L"sFile", sFile));
    }
    if (!result) t.Log(L"Empty File!", evNormal, pVar(L"sFile", sFile));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool Config_Class::LoadDir(std::wstring_view sDir, bool bSaveToDefaultCFGFile, bool bPrefixKeyWithFilename,
                           bool bNoSave, int32_t RecursionLevel) {
  try {
    if (sDir.empty() || !App_FileSystem::DirExist(sDir)) return false;
    std::vector<std::wstring> files;
    {
      FS_DirList search;
      search.AddSearchPath(sDir);
      search.AddFileMask(L"*.cfg");
      search.RecursionLevel(RecursionLevel);
      search.StartSearch();
      if (search.MatchingFileCount() == 0) return true;
      files = search.MatchingFilesFullPath().Items();
      search.App_ClassSync_CleanUp();
    }
    return LoadFiles(files, bSaveToDefaultCFGFile, bPrefixKeyWithFilename, bNoSave);
  } catch (...) {
    ReportFailure(L"LoadDir");
    return false;
  }
}
