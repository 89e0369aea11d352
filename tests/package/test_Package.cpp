// The package as a technician unpacks it: scripts/test.sh packs the 64-bit
// build like the release (scripts/package.sh x86_64) and unzips it into a
// fresh package-test folder beside this test; the program starts from
// there with the sample configuration that the package carries.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/App_Common_Env.h"
#include "platform/App_Env.h"
#include "fs/App_FileSystem.h"
#include "gui/gui_driver.h"

using gui::RunningBrowser;

namespace {

std::wstring PackageDir() {
  return LumoTestDir() + L"package-test\\";
}

bool Exists(const std::wstring& sPath) {
  return ::GetFileAttributesW(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Exists(PackageDir() + L"LumoBrowser.exe"))
      GTEST_SKIP() << "no unpacked package: run scripts/test.sh";
    gui::ForgetPlacements();
  }
  void TearDown() override { gui::ForgetPlacements(); }
  std::wstring Exe() const { return PackageDir() + L"LumoBrowser.exe"; }
};

}  // namespace

TEST_F(Package, HoldsTheProgramTheSampleConfigurationAndTheReadme) {
  EXPECT_TRUE(Exists(PackageDir() + L"Config\\LumoBrowser.cfg"));
  EXPECT_TRUE(Exists(PackageDir() + L"README.txt"));
}

TEST_F(Package, WindowComesUpWithTheSampleConfiguration) {
  RunningBrowser b(Exe());
  ASSERT_NE(b.Window, nullptr) << "no window";
  EXPECT_EQ(gui::TextOf(b.Window), L"Lumo Web Browser  ");
  // No home page in the sample: nothing is opened.
  EXPECT_EQ(b.Recorded().find(L"navigate "), std::wstring::npos);
  EXPECT_EQ(b.Close(), 0u);
}

TEST_F(Package, SearchOpensInTheProgramsOwnWindow) {
  RunningBrowser b(Exe(), L"/s=disk cleanup");
  ASSERT_NE(b.Window, nullptr) << "the search did not open the program's window";
  b.Settle();
  const std::wstring url = gui::TextOf(b.Combo());
  EXPECT_EQ(url.rfind(L"http://www.google.com/search?q=disk", 0), 0u);
  EXPECT_NE(b.Recorded().find(L"navigate " + url + L"\n"), std::wstring::npos);
}

// The version texts the program makes of its own file version are the
// version the build took from git.
TEST_F(Package, VersionTextsShowTheBuildsVersion) {
  const std::wstring full = App_FileSystem::GetFileVersion(Exe(), false);
  EXPECT_EQ(full, LUMO_FILE_VERSION);
  App_Env& e = AppEnv();
  e.AppTitle_Basic = L"LumoBrowser";
  App_Common::SetVersionTexts(e, full);
  EXPECT_EQ(e.AppVer_Full, LUMO_FILE_VERSION);
  EXPECT_EQ(App_Common::GetWindowTitle(true), L"LumoBrowser  v" LUMO_FILE_VERSION);
}
