// Start-up of the configuration store: which files InitConfig loads, that
// it starts from an empty store, the shared file loaded after it, encrypted
// values read in plain, the auto-save switch and the failure roads.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "config/Config_Class.h"
#include "config/Config_Init.h"
#include "config/ckCrypt_Config.h"
#include "lumo_test.h"

namespace {

class ConfigInit : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    wchar_t buf[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, buf);
    dir_ = std::wstring(buf) + L"lumo_cfg2_init_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir_.c_str(), nullptr);
    ::CreateDirectoryW((dir_ + L"\\sub").c_str(), nullptr);
    App_Env& env = AppEnv();
    saved_[0] = env.AppPath_Config;
    saved_[1] = env.AppPathBS_Config;
    saved_[2] = env.AppTitle_Basic;
    savedMutexType_ = env.AppInst_Mutex_Type;
    env.AppPath_Config = dir_;
    env.AppPathBS_Config = dir_ + L"\\";
    env.AppTitle_Basic = L"LumoBrowser";
    env.AppInst_Mutex_Type = 0;
  }
  void TearDown() override {
    for (const std::wstring& f : files_) ::DeleteFileW(f.c_str());
    ::RemoveDirectoryW((dir_ + L"\\sub").c_str());
    ::RemoveDirectoryW(dir_.c_str());
    App_Env& env = AppEnv();
    env.AppPath_Config = saved_[0];
    env.AppPathBS_Config = saved_[1];
    env.AppTitle_Basic = saved_[2];
    env.AppInst_Mutex_Type = savedMutexType_;
    Config_Init::InitConfig(false, false, true);  // leaves an empty store behind
  }
  // A configuration file below the test folder, lines joined by CR LF.
  std::wstring Write(const std::wstring& name, const std::vector<std::wstring>& lines) {
    const std::wstring path = dir_ + L"\\" + name;
    std::string text;
    for (const std::wstring& l : lines) text += std::string(l.begin(), l.end()) + "\r\n";
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    files_.push_back(path);
    return path;
  }
  bool Logged(std::wstring_view text) const {
    return App_Debug::DebugLogPending().find(text) != std::wstring::npos;
  }

  LumoDebugFixtureState dbg;
  std::wstring dir_;
  std::vector<std::wstring> files_;
  std::wstring saved_[3];
  int32_t savedMutexType_ = 0;
};

}  // namespace

TEST_F(ConfigInit, LoadsTheDefaultFileOnlyAndTheSharedFileOverridesIt) {
  const std::wstring secret = ckCrypt_Config::EnsureFormat_KVP(L"pa55 word", true);
  const std::wstring own =
      Write(L"LumoBrowser.cfg", {L"; own file", L"Browser.HomePage=page1", L"TitleBar.Text=Own",
                                 L"Proxy.Password=" + secret});
  Write(L"Other.cfg", {L"Other.Key=1"});
  const std::wstring shared = Write(L"Lumo.cfg", {L"browser.homepage=page2"});

  Config_Init::InitConfig(false, false, true);
  Config_Class& cfg = Cfg();
  EXPECT_EQ(cfg.DefaultConfigFile, dir_ + L"\\LumoBrowser.cfg");
  EXPECT_EQ(cfg.Count(), 3);
  EXPECT_FALSE(cfg.ItemExists(L"Other.Key"));
  EXPECT_FALSE(cfg.AutoSaveConfig);
  std::wstring from;
  EXPECT_EQ(cfg.GetString(L"Browser.HomePage", &from), L"page1");
  EXPECT_EQ(from, own);
  // The encrypted value stays encrypted in the store and reads in plain.
  EXPECT_EQ(cfg.GetString(L"Proxy.Password"), L"pa55 word");
  EXPECT_EQ(cfg.GetStringRaw(L"Proxy.Password"), secret);
  ASSERT_NE(cfg.Item(L"Proxy.Password"), nullptr);
  EXPECT_TRUE(cfg.Item(L"Proxy.Password")->Encrypted());

  // Start-up's next step: the kit's shared file wins key by key.
  EXPECT_TRUE(cfg.LoadFile(dir_ + L"\\Lumo.cfg"));
  EXPECT_EQ(cfg.GetString(L"Browser.HomePage", &from), L"page2");
  EXPECT_EQ(from, shared);
  EXPECT_EQ(cfg.Item(L"Browser.HomePage")->Key(), L"Browser.HomePage");
  EXPECT_EQ(cfg.GetString(L"TitleBar.Text"), L"Own");
}

TEST_F(ConfigInit, EveryStartBeginsWithAnEmptyStore) {
  Write(L"LumoBrowser.cfg", {L"A.Key=1"});
  Write(L"Kit Tool.cfg", {L"B.Key=2"});
  Cfg().SetString(L"Left.Over", L"x");
  Cfg().AutoSaveConfig = true;
  Config_Init::InitConfig(false, false, true);
  EXPECT_FALSE(Cfg().ItemExists(L"Left.Over"));
  EXPECT_FALSE(Cfg().AutoSaveConfig);
  EXPECT_EQ(Cfg().GetString(L"A.Key"), L"1");

  // The default file follows the program's basic title.
  AppEnv().AppTitle_Basic = L"Kit Tool";
  Config_Init::InitConfig(false, false, true);
  EXPECT_EQ(Cfg().DefaultConfigFile, dir_ + L"\\Kit Tool.cfg");
  EXPECT_FALSE(Cfg().ItemExists(L"A.Key"));
  EXPECT_EQ(Cfg().GetString(L"B.Key"), L"2");
}

TEST_F(ConfigInit, WholeFolderLoadsEveryCfgFileOfTheTree) {
  Write(L"LumoBrowser.cfg", {L"A.Key=1"});
  Write(L"Other.cfg", {L"B.Key=2"});
  Write(L"sub\\Deep.cfg", {L"C.Key=3"});
  Write(L"Notes.txt", {L"D.Key=4"});
  Config_Init::InitConfig(false, false, false);
  Config_Class& cfg = Cfg();
  EXPECT_EQ(cfg.DefaultConfigFile, dir_ + L"\\LumoBrowser.cfg");
  EXPECT_EQ(cfg.GetString(L"A.Key"), L"1");
  EXPECT_EQ(cfg.GetString(L"B.Key"), L"2");
  std::wstring from;
  EXPECT_EQ(cfg.GetString(L"C.Key", &from), L"3");
  EXPECT_EQ(from, dir_ + L"\\sub\\Deep.cfg");
  EXPECT_FALSE(cfg.ItemExists(L"D.Key"));
}

TEST_F(ConfigInit, AutoSaveComesFromTheArgumentOrTheMutexType) {
  Write(L"LumoBrowser.cfg", {L"A.Key=1"});
  Config_Init::InitConfig(true, false, true);
  EXPECT_TRUE(Cfg().AutoSaveConfig);
  AppEnv().AppInst_Mutex_Type = 1;
  Config_Init::InitConfig(false, false, true);
  EXPECT_TRUE(Cfg().AutoSaveConfig);
  AppEnv().AppInst_Mutex_Type = 2;
  Config_Init::InitConfig(false, false, true);
  EXPECT_FALSE(Cfg().AutoSaveConfig);
  // The debug options are not read: nothing in the store changes the flags.
  Write(L"LumoBrowser.cfg", {L"Debug.Verbose=1"});
  Config_Init::InitConfig(false, true, true);
  EXPECT_FALSE(App_Debug::DebugLog_Verbose);
  EXPECT_EQ(Cfg().GetString(L"Debug.Verbose"), L"1");
}

TEST_F(ConfigInit, MissingFileOrUnknownFolderLeavesAnEmptyStoreAndSaysSo) {
  Cfg().SetString(L"Left.Over", L"x");
  Config_Init::InitConfig(false, false, true);  // no LumoBrowser.cfg in the folder
  EXPECT_EQ(Cfg().Count(), 0);
  EXPECT_EQ(Cfg().DefaultConfigFile, dir_ + L"\\LumoBrowser.cfg");
  EXPECT_TRUE(Logged(L"The default configuration file could not be loaded."));

  // Without the configuration folder nothing is read from the current
  // directory, even where a file of that name lies.
  Write(L"LumoBrowser.cfg", {L"A.Key=1"});
  wchar_t cwd[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH, cwd);
  ::SetCurrentDirectoryW(dir_.c_str());
  AppEnv().AppPath_Config.clear();
  AppEnv().AppPathBS_Config.clear();
  Config_Init::InitConfig(false, false, true);
  ::SetCurrentDirectoryW(cwd);
  EXPECT_EQ(Cfg().Count(), 0);
  EXPECT_EQ(Cfg().DefaultConfigFile, L"");
  EXPECT_TRUE(Logged(L"The configuration folder is not known; no configuration file is loaded."));
}
