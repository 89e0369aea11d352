// Figures of the value encryption: the time to encrypt and decrypt one
// setting value (a fresh crypto object, provider context and key per call),
// where that time goes, and the cheap roads (plain reads, the legacy form,
// the URL encoding). Prints its measurements; never fails on time.
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "config/ckCrypt_Config.h"
#include "diag/App_Debug.h"
#include "hosted/ChilkatCrypt2.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

template <class F>
double MicrosPerCall(int n, F&& f) {
  for (int i = 0; i < n / 10 + 1; ++i) f();  // warm up
  const auto a = Clock::now();
  for (int i = 0; i < n; ++i) f();
  return Micros(a, Clock::now()) / n;
}

volatile size_t g_sink = 0;

}  // namespace

int wmain() {
  App_Debug::InitDebugModuleVars();
  App_Common::SetAppGeneratedVars();
  App_Debug::DebugLog_Verbose = false;
  App_Debug::DebugLog_SystemOutput = false;
  using namespace ckCrypt_Config;

  const std::wstring shortValue = L"https://intranet.example/home";  // 29 characters
  const std::wstring longValue(1000, L'v');
  const std::wstring shortHex = EncryptData_Config(shortValue);
  const std::wstring longHex = EncryptData_Config(longValue);
  const std::wstring stored = L"<ev~>" + shortHex;
  const int n = 300;

  std::printf("value encryption (AES-256-CBC, %d calls each):\n", n);
  std::printf("  EncryptData_Config, 29 chars:    %9.1f us/value\n",
              MicrosPerCall(n, [&] { g_sink = g_sink + EncryptData_Config(shortValue).size(); }));
  std::printf("  DecryptData_Config, 29 chars:    %9.1f us/value\n",
              MicrosPerCall(n, [&] { g_sink = g_sink + DecryptData_Config(shortHex).size(); }));
  std::printf("  EncryptData_Config, 1000 chars:  %9.1f us/value\n",
              MicrosPerCall(n, [&] { g_sink = g_sink + EncryptData_Config(longValue).size(); }));
  std::printf("  DecryptData_Config, 1000 chars:  %9.1f us/value\n",
              MicrosPerCall(n, [&] { g_sink = g_sink + DecryptData_Config(longHex).size(); }));
  std::printf("  read of a stored <ev~> value:    %9.1f us/value (EnsureFormat_KVP)\n",
              MicrosPerCall(n, [&] { g_sink = g_sink + EnsureFormat_KVP(stored, false).size(); }));
  std::printf("  bad cipher text (wrong padding): %9.1f us/value\n", MicrosPerCall(n, [&] {
                g_sink = g_sink + DecryptData_Config(longHex.substr(64)).size();
              }));
  std::printf(
      "  not hex (refused before the provider): %9.3f us/value\n",
      MicrosPerCall(n * 100, [&] { g_sink = g_sink + DecryptData_Config(L"<ev~>xyz").size(); }));

  // Where the time goes: the provider context, then the whole component call.
  std::printf("where a call's time goes:\n");
  std::printf("  CryptAcquireContextW + release:  %9.1f us\n", MicrosPerCall(n, [] {
                HCRYPTPROV h = 0;
                if (::CryptAcquireContextW(&h, nullptr,
                                           L"Microsoft Enhanced RSA and AES Cryptographic Provider",
                                           PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
                  ::CryptReleaseContext(h, 0);
                }
              }));
  const std::wstring iv = Crypto_Config_HexIV(), key = Crypto_Config_HexKey();
  std::printf("  component object + set-up:       %9.3f us\n", MicrosPerCall(n * 100, [&] {
                ChilkatCrypt2 c;
                g_sink = g_sink + c.SetEncodedIV(iv, L"hex") + c.SetEncodedKey(key, L"hex");
              }));
  std::printf("  EncryptStringENC, 29 chars:      %9.1f us\n", MicrosPerCall(n, [&] {
                ChilkatCrypt2 c;
                c.SetEncodedIV(iv, L"hex");
                c.SetEncodedKey(key, L"hex");
                g_sink = g_sink + c.EncryptStringENC(shortValue).size();
              }));

  std::printf("cheap roads:\n");
  std::printf("  read of a plain value:           %9.3f us/value (EnsureFormat_KVP)\n",
              MicrosPerCall(n * 1000,
                            [&] { g_sink = g_sink + EnsureFormat_KVP(shortValue, false).size(); }));
  std::string b;
  std::printf("  Ascii85 decode, 40 chars:        %9.3f us\n", MicrosPerCall(n * 1000, [&] {
                g_sink = g_sink + Ascii85Decode(L"9jqo^F*2M7/c9jqo^F*2M7/c9jqo^F*2M7/c9jqo", b);
              }));
  std::printf("  legacy read (~{ value):          %9.3f us/value\n", MicrosPerCall(n * 100, [&] {
                g_sink = g_sink + DecryptData_Config(L"~{9jqo^F*2M7/c").size();
              }));
  ChilkatCrypt2 c;
  std::printf(
      "  EncodeString url, 40 chars:      %9.3f us\n", MicrosPerCall(n * 100, [&] {
        g_sink =
            g_sink +
            c.EncodeString(L"disk cleanup caf\u00E9 & more: 50% off now!", L"ansi", L"url").size();
      }));
  std::printf("debug log after the run: %d characters pending\n", App_Debug::DebugLogPendingUsed());
  return 0;
}
