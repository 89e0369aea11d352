// The pending buffer, the log file, the traced file writer, log messages
// and the message box.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "diag/App_Debug.h"
#include "fs/App_FileSystem.h"
#include "diag/App_LogMsgs.h"
#include "platform/App_Prompts.h"
#include "lumo_test.h"

using namespace App_Debug;

namespace {

std::wstring TempFolder(const wchar_t* name) {
  wchar_t buf[MAX_PATH];
  ::GetTempPathW(MAX_PATH, buf);
  std::wstring dir = std::wstring(buf) + L"lumo_test_" + name + L"_" + std::to_wstring(::GetCurrentProcessId());
  return dir;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream f(path.c_str(), std::ios::binary);  // MinGW opens wide paths
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

TEST(DebugLogBuffer, GrowsInStepsOfAThousandCharacters) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  EXPECT_EQ(DebugLogPendingCapacity(), 0);
  DebugLogAddEntry(std::wstring(6, L'x'));  // 10 characters with the separator
  EXPECT_EQ(DebugLogPendingUsed(), 10);
  EXPECT_EQ(DebugLogPendingCapacity(), 1000);
  DebugLogAddEntry(std::wstring(986, L'y'));  // 1000 used: still fits
  EXPECT_EQ(DebugLogPendingUsed(), 1000);
  EXPECT_EQ(DebugLogPendingCapacity(), 1000);
  DebugLogAddEntry(std::wstring(996, L'z'));  // short by exactly 1000: two steps
  EXPECT_EQ(DebugLogPendingUsed(), 2000);
  EXPECT_EQ(DebugLogPendingCapacity(), 3000);
  const std::wstring all = DebugLogPending();
  EXPECT_EQ(all.substr(0, 10), L"xxxxxx\r\n\r\n");
  EXPECT_EQ(all.size(), 2000u);
}

TEST(DebugLogFile, OpenFileReceivesEveryEntryAtOnce) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  const std::wstring dir = TempFolder(L"log");
  ::CreateDirectoryW(dir.c_str(), nullptr);
  DebugLogAddEntry(L"before the file was open");
  DebugLogSetFile(dir, L"LumoBrowser_Debug.log");
  EXPECT_EQ(DebugLogPath(true), dir + L"\\");
  EXPECT_EQ(DebugLogFileNoExt(), dir + L"\\LumoBrowser_Debug");
  DebugLogOpen();
  ASSERT_TRUE(DebugLogIsOpen());
  DebugLogAddEntry(L"first entry");
  EXPECT_EQ(DebugLogPendingUsed(), 0);
  EXPECT_EQ(DebugLogPendingCapacity(), 0);
  dLog(-1, L"caf\u00e9 logged");
  CleanupDebug_WriteLogs();
  EXPECT_FALSE(DebugLogIsOpen());
  const std::string text = ReadAll(dir + L"\\LumoBrowser_Debug.log");
  EXPECT_EQ(text.find("before the file was open\r\n\r\nfirst entry\r\n\r\n\r\n"), 0u);
  EXPECT_NE(text.find("-1.EventType=Normal.Msg=[caf\xe9 logged]"), std::string::npos);  // ANSI code page
  DebugLogSetFile(L"", L"");
  ::DeleteFileW((dir + L"\\LumoBrowser_Debug.log").c_str());
  ::RemoveDirectoryW(dir.c_str());
}

TEST(DebugLogFile, UnopenableFileKeepsEntriesPending) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  DebugLogSetFile(L"Q:\\no\\such\\folder", L"x.log");
  DebugLogOpen();
  EXPECT_FALSE(DebugLogIsOpen());
  DebugLogAddEntry(L"kept");
  EXPECT_EQ(DebugLogPending(), L"kept\r\n\r\n");
  DebugLogSetFile(L"", L"");
}

TEST(SaveTextToFileDebug, WritesAppendsAndSkipsDuplicates) {
  LumoDebugFixtureState dbg;
  dbg.Reset(true, false);
  const std::wstring dir = TempFolder(L"save");
  const std::wstring file = dir + L"\\sub\\notes.txt";

  EXPECT_FALSE(SaveTextToFile_Debug(L"", L"x", false, false, false));
  EXPECT_NE(DebugLogPending().find(L"Msg=[Aborting; Passed empty string!]"), std::wstring::npos);

  EXPECT_TRUE(SaveTextToFile_Debug(file, L"Line One", false, false, false));  // creates the folders
  EXPECT_TRUE(SaveTextToFile_Debug(file, L"line two", false, true, false));
  EXPECT_TRUE(SaveTextToFile_Debug(file, L"LINE ONE", false, true, false));  // already there, ignoring case
  EXPECT_NE(DebugLogPending().find(L"Aborting; String already exists in file."), std::wstring::npos);
  EXPECT_EQ(ReadAll(file), "Line One\r\nline two\r\n");

  EXPECT_TRUE(SaveTextToFile_Debug(file, L"fresh", true, false, false));
  EXPECT_EQ(ReadAll(file), "fresh\r\n");

  // A folder that cannot be created.
  EXPECT_FALSE(SaveTextToFile_Debug(L"relative\\x.txt", L"x", false, false, false));
  EXPECT_NE(DebugLogPending().find(L"Aborting; EnsureDirExists Failure, cannot create destination directory!"),
            std::wstring::npos);

  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW((dir + L"\\sub").c_str());
  ::RemoveDirectoryW(dir.c_str());
}

TEST(LogMessages, TableTextsPrefixAndDetail) {
  using App_LogMsgs::LogMsg;
  EXPECT_EQ(LogMsg(0), L"Aborting; Could not initialize OLE/COM!");
  EXPECT_EQ(LogMsg(9, true), L"Aborting; Passed empty string!");
  EXPECT_EQ(LogMsg(9), L"Passed empty string!");
  EXPECT_EQ(LogMsg(3), L"File not found!");
  EXPECT_EQ(LogMsg(15), L"RegOp Error!  (Successfully received string data!)");
  EXPECT_EQ(LogMsg(24), L"Unexpected data or code logic error!");
  EXPECT_EQ(LogMsg(26), L"User msg prompt displayed.");
  EXPECT_EQ(LogMsg(25), L"Unknown Error!");
  EXPECT_EQ(LogMsg(27), L"Unknown Error!");
  EXPECT_EQ(LogMsg(-1, true, L"d"), L"Aborting; Unknown Error!  d");
  EXPECT_EQ(LogMsg(6, true, L"C:\\Tools", true), L"Aborting; Path not found!  [C:\\Tools]");
  EXPECT_EQ(LogMsg(6, true, L"C:\\Tools", false), L"Aborting; Path not found!  C:\\Tools");
  EXPECT_EQ(LogMsg(6, false, L"", true), L"Path not found!");
  EXPECT_EQ(LogMsg(1).substr(0, 45), L"OleCreatePictureIndirect returned E_NOINTERFA");
}

TEST(Prompts, BoxesUseTheAppTitleAskAndHonourNeverLoadForms) {
  std::vector<std::pair<std::wstring, std::wstring>> shown;
  std::vector<uint32_t> types;
  int32_t answer = IDYES;
  App_Prompts::SetMsgBoxSink([&](std::wstring_view m, std::wstring_view t, uint32_t u) {
    shown.emplace_back(m, t);
    types.push_back(u);
    return answer;
  });
  App_Prompts::ShowMsg(L"Win9x/NT 4.x not supported, app will now terminate!");
  App_Prompts::ShowMsg(L"hello", L"Own Title");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].second, App_Common::AppTitle());
  EXPECT_EQ(shown[1].second, L"Own Title");
  EXPECT_EQ(types[0], static_cast<uint32_t>(MB_OK));

  EXPECT_TRUE(App_Prompts::AskYesNo(L"Do it now?"));
  EXPECT_EQ(types.back() & MB_TYPEMASK, static_cast<uint32_t>(MB_YESNO));
  answer = IDNO;
  EXPECT_FALSE(App_Prompts::AskYesNo(L"Do it now?"));

  App_Common::SetNeverLoadForms(true);
  App_Prompts::ShowMsg(L"never seen");
  answer = IDYES;
  EXPECT_FALSE(App_Prompts::AskYesNo(L"never asked"));  // no box: the answer is No
  EXPECT_EQ(shown.size(), 4u);
  App_Prompts::SetMsgBoxSink({});
}
