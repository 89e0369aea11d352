// The built-in images that every executable carries (the window icon and the
// tan background), and the manifest of the program itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "lumo_probe.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE bWidth;
  BYTE bHeight;
  BYTE bColorCount;
  BYTE bReserved;
  WORD wPlanes;
  WORD wBitCount;
  DWORD dwBytesInRes;
  WORD nId;
};
struct GroupIconDir {
  WORD idReserved;
  WORD idType;
  WORD idCount;
};
#pragma pack(pop)

// The bytes of a resource of the running module, or nullptr.
const BYTE* ResourceBytes(HMODULE hModule, LPCWSTR sName, LPCWSTR sType, DWORD& lSize) {
  HRSRC hRes = ::FindResourceW(hModule, sName, sType);
  lSize = hRes ? ::SizeofResource(hModule, hRes) : 0;
  HGLOBAL hData = hRes ? ::LoadResource(hModule, hRes) : nullptr;
  return hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
}

TEST(Resources, IconGroupHoldsThreeSizesOf32BitImages) {
  DWORD lSize = 0;
  const BYTE* p = ResourceBytes(nullptr, L"_0001A", RT_GROUP_ICON, lSize);
  ASSERT_NE(p, nullptr) << "icon group _0001A missing";
  ASSERT_GE(lSize, sizeof(GroupIconDir));
  const auto* dir = reinterpret_cast<const GroupIconDir*>(p);
  EXPECT_EQ(dir->idType, 1);
  ASSERT_EQ(dir->idCount, 3);
  ASSERT_EQ(lSize, sizeof(GroupIconDir) + 3 * sizeof(GroupIconEntry));
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(p + sizeof(GroupIconDir));
  std::set<int> sizes;
  for (int i = 0; i < 3; ++i) {
    const GroupIconEntry& e = entries[i];
    EXPECT_EQ(e.bWidth, e.bHeight);
    EXPECT_EQ(e.wBitCount, 32);
    sizes.insert(e.bWidth);
    // Each image: its header, 32-bit colour rows and a 1-bit AND mask with
    // rows padded to 32 bits.
    DWORD lImgSize = 0;
    const BYTE* img = ResourceBytes(nullptr, MAKEINTRESOURCEW(e.nId), RT_ICON, lImgSize);
    ASSERT_NE(img, nullptr) << "icon image " << e.nId;
    EXPECT_EQ(lImgSize, e.dwBytesInRes);
    const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(img);
    EXPECT_EQ(bih->biWidth, e.bWidth);
    EXPECT_EQ(bih->biHeight, 2 * e.bWidth);
    EXPECT_EQ(bih->biBitCount, 32);
    const DWORD lMaskStride = (e.bWidth + 31) / 32 * 4;
    EXPECT_EQ(lImgSize, sizeof(BITMAPINFOHEADER) + e.bWidth * e.bWidth * 4u + lMaskStride * e.bWidth);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST(Resources, IconLoadsAtEverySizeWithTransparentCornersAndOpaqueCentre) {
  HINSTANCE hInst = ::GetModuleHandleW(nullptr);
  for (int n : {16, 32, 48}) {
    HICON hIcon = static_cast<HICON>(::LoadImageW(hInst, L"_0001A", IMAGE_ICON, n, n, 0));
    ASSERT_NE(hIcon, nullptr) << n;
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(hIcon, &ii));
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectW(ii.hbmColor, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, n);
    EXPECT_EQ(bm.bmHeight, n);

    // The picture drawn on white and on black: a corner stays the
    // background (transparent), the centre is the same blue on both.
    auto drawOn = [&](COLORREF back, int x, int y) {
      HDC hScreen = ::GetDC(nullptr);
      HDC hdc = ::CreateCompatibleDC(hScreen);
      HBITMAP hbm = ::CreateCompatibleBitmap(hScreen, n, n);
      HGDIOBJ old = ::SelectObject(hdc, hbm);
      HBRUSH br = ::CreateSolidBrush(back);
      RECT rc{0, 0, n, n};
      ::FillRect(hdc, &rc, br);
      ::DrawIconEx(hdc, 0, 0, hIcon, n, n, 0, nullptr, DI_NORMAL);
      COLORREF c = ::GetPixel(hdc, x, y);
      ::SelectObject(hdc, old);
      ::DeleteObject(br);
      ::DeleteObject(hbm);
      ::DeleteDC(hdc);
      ::ReleaseDC(nullptr, hScreen);
      return c;
    };
    EXPECT_EQ(drawOn(RGB(255, 255, 255), 0, 0), RGB(255, 255, 255)) << n;
    EXPECT_EQ(drawOn(RGB(0, 0, 0), 0, 0), RGB(0, 0, 0)) << n;
    const COLORREF cWhite = drawOn(RGB(255, 255, 255), n / 2 - 2, n / 2 + 3);
    const COLORREF cBlack = drawOn(RGB(0, 0, 0), n / 2 - 2, n / 2 + 3);
    EXPECT_EQ(cWhite, cBlack) << n;
    EXPECT_GT(GetBValue(cWhite), GetRValue(cWhite)) << n << ": the globe is blue";

    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
    ::DestroyIcon(hIcon);
  }
  // The icon helpers load it through the ANSI call at the system's sizes.
  HANDLE hA = ::LoadImageA(hInst, "_0001A", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                           ::GetSystemMetrics(SM_CYSMICON), LR_SHARED);
  EXPECT_NE(hA, nullptr);
}

TEST(Resources, BackgroundIs800By576With8BitPalette) {
  HINSTANCE hInst = ::GetModuleHandleW(nullptr);
  HBITMAP hbm = static_cast<HBITMAP>(
      ::LoadImageW(hInst, L"BACKGROUND_TAN_800X576", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(hbm, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(::GetObjectW(hbm, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
  EXPECT_EQ(ds.dsBm.bmWidth, 800);
  EXPECT_EQ(ds.dsBm.bmHeight, 576);
  EXPECT_EQ(ds.dsBmih.biBitCount, 8);
  EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

  // Every palette colour is a tan: red over green over blue, and light.
  HDC hdc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(hdc, hbm);
  RGBQUAD pal[256]{};
  EXPECT_EQ(::GetDIBColorTable(hdc, 0, 256, pal), 256u);
  for (const RGBQUAD& q : pal) {
    EXPECT_GE(q.rgbRed, q.rgbGreen);
    EXPECT_GT(q.rgbGreen, q.rgbBlue);
    EXPECT_GE(q.rgbBlue, 0x80);
  }
  // A gradient: the top left corner is lighter than the bottom right one
  // (DIB rows run bottom up).
  const auto* bits = static_cast<const BYTE*>(ds.dsBm.bmBits);
  ASSERT_NE(bits, nullptr);
  const BYTE topLeft = bits[575 * ds.dsBm.bmWidthBytes];
  const BYTE bottomRight = bits[799];
  const RGBQUAD& a = pal[topLeft];
  const RGBQUAD& b = pal[bottomRight];
  EXPECT_GT(a.rgbRed + a.rgbGreen + a.rgbBlue, b.rgbRed + b.rgbGreen + b.rgbBlue + 60);
  ::SelectObject(hdc, old);
  ::DeleteDC(hdc);
  ::DeleteObject(hbm);

  // A missing name is an error, not some other picture.
  EXPECT_EQ(::LoadImageW(hInst, L"BACKGROUND_TAN_800X577", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
}

TEST(Resources, TestProgramsCarryNoManifestButTheProgramDoes) {
  DWORD lSize = 0;
  EXPECT_EQ(ResourceBytes(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24), lSize), nullptr);

  const std::wstring sExe = LumoTestDir() + L"LumoBrowser.exe";
  HMODULE hExe = ::LoadLibraryExW(sExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(hExe, nullptr) << "LumoBrowser.exe beside the test";
  const BYTE* p = ResourceBytes(hExe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24), lSize);
  ASSERT_NE(p, nullptr) << "manifest resource 1";
  const std::string m(reinterpret_cast<const char*>(p), lSize);
  auto has = [&](const char* s) { return m.find(s) != std::string::npos; };
  EXPECT_TRUE(has("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
  EXPECT_TRUE(has("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
  for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_TRUE(has(id)) << id;
  }
  EXPECT_TRUE(has("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  EXPECT_TRUE(has("publicKeyToken=\"6595b64144ccf1df\" language=\"*\""));
  // DPI aware: drawn at the screen's own dpi, never stretched as a bitmap.
  EXPECT_TRUE(
      has("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"));
#ifdef _WIN64
  EXPECT_TRUE(has("processorArchitecture=\"amd64\""));
#else
  EXPECT_TRUE(has("processorArchitecture=\"x86\""));
#endif
  // This program hosts the system's own controls: no component classes.
  EXPECT_FALSE(has("comClass"));
  EXPECT_FALSE(has("<file"));
  // The program also carries the images and its version resource.
  EXPECT_NE(ResourceBytes(hExe, L"_0001A", RT_GROUP_ICON, lSize), nullptr);
  EXPECT_NE(ResourceBytes(hExe, L"BACKGROUND_TAN_800X576", RT_BITMAP, lSize), nullptr);
  EXPECT_NE(ResourceBytes(hExe, MAKEINTRESOURCEW(1), RT_VERSION, lSize), nullptr);
  ::FreeLibrary(hExe);
}

}  // namespace
