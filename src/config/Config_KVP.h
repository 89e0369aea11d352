// Config_KVP: one setting of the configuration store, and the line format
// of a configuration file (namespace Config_Format).
//
// A setting keeps its value in the form written to a file: an encrypted
// value stays encrypted ("<ev~>" hex, or the legacy "~{" form) and line
// breaks stay as "<NL>". ValueData hands out the plain form. The key and
// the no-save flag are one-way: the key can be given once, the flag only
// switched on.
//
// Nothing here includes <windows.h>: the line format takes and returns
// strings, so it builds and runs anywhere (sanitizers, fuzzing).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Config_KVP {
 public:
  // Full path of the file the setting belongs to; empty: the default
  // configuration file. The store hands every setting of one file the same
  // shared text, so a loaded file costs one copy of its path.
  const std::wstring& DefFile() const { return DefFile_ ? *DefFile_ : EmptyText(); }
  void DefFile(std::wstring_view sFile) {
    DefFile_ = sFile.empty() ? nullptr : std::make_shared<const std::wstring>(sFile);
  }
  void DefFile(std::shared_ptr<const std::wstring> sFile) { DefFile_ = std::move(sFile); }

  // Only switching on takes effect; once on, the flag stays on.
  void NoSave(bool bValue) {
    if (bValue) NoSave_ = true;
  }
  bool NoSave() const { return NoSave_; }

  // Empty text empties the stored value and leaves the Encrypted flag as it
  // is. Other text is stored unchanged; Encrypted then tells whether it
  // carries an encryption marker.
  void ValueData(std::wstring_view sValue);
  // The plain value: decrypted (and unscrambled) when stored encrypted;
  // "<NL>" is left as it is. A value that cannot be decrypted reads "".
  std::wstring ValueData() const;
  // The stored value, as written to a file.
  const std::wstring& ValueData_Save_State() const { return Value_; }

  // Sets the flag and brings the stored value into encrypted or plain form.
  void Encrypted(bool bValue);
  bool Encrypted() const { return Encrypted_; }

  // Takes effect only while the key is still empty.
  void Key(std::wstring_view sKey) {
    if (Key_.empty()) Key_.assign(sKey);
  }
  const std::wstring& Key() const { return Key_; }

 private:
  friend class Config_Class;
  // ValueData set of a non-empty value whose buffer the store hands over.
  void AdoptValue(std::wstring&& sValue);
  // Key set of a new setting, taking over the buffer.
  void AdoptKey(std::wstring&& sKey) {
    if (Key_.empty()) Key_ = std::move(sKey);
  }

  static const std::wstring& EmptyText() {
    static const std::wstring sEmpty;
    return sEmpty;
  }

  std::shared_ptr<const std::wstring> DefFile_;
  bool Encrypted_ = false;
  std::wstring Value_;
  std::wstring Key_;
  bool NoSave_ = false;
};

// The text format of configuration files. Lines are classified, never
// trimmed: spaces around "=" belong to the key and to the value.
namespace Config_Format {

enum Config_LineKind : int {
  lkIgnored = 0,  // no "=" (blank lines, headings outside INI files)
  lkComment = 1,  // first character after leading spaces is ";"
  lkSetting = 2,  // key and value split at the first "="
  lkHeading = 3,  // INI files only: first character after leading spaces is "["
};

inline constexpr std::wstring_view NewLineMark = L"<NL>";
inline constexpr std::wstring_view ListSeparator = L"<sep>";
inline constexpr std::wstring_view CRLF = L"\r\n";

// A line of a configuration file. For a setting, sKey and sValue view the
// text before and after the first "=" (into sLine).
Config_LineKind ClassifyLine(std::wstring_view sLine, std::wstring_view& sKey,
                             std::wstring_view& sValue);
// A line of an INI file: headings come first (even with an "="), then the
// rules above. For a heading, sHeading receives the line without its first
// and last characters, followed by ".".
Config_LineKind ClassifyIniLine(std::wstring_view sLine, std::wstring_view& sKey,
                                std::wstring_view& sValue, std::wstring& sHeading);

// Text split at every CR LF; text without CR LF is one line; empty text has
// no lines. The views point into sText.
std::vector<std::wstring_view> SplitLines(std::wstring_view sText);

// Every CR LF of a value as "<NL>" (the stored form), and back.
std::wstring EncodeLineBreaks(std::wstring_view sValue);
std::wstring DecodeLineBreaks(std::wstring_view sValue);

// The key a prefixed loader stores: sPrefix & key, unless the key already
// begins with sPrefix (ignoring case) or sPrefix is empty.
std::wstring PrefixedKey(std::wstring_view sPrefix, std::wstring_view sKey);
// The file prefix of a file's settings: the name without folder and
// extension, spaces as "_", then "." ("C:\x\My File.ini" gives "My_File.").
std::wstring FilePrefix(std::wstring_view sFile);

// A whole number as the typed access reads it: optional surrounding
// spaces, an optional sign, decimal digits with an optional fraction, the
// fraction rounded to the nearest integer with halves to even. False for
// any other text and for numbers outside the 32-bit range.
bool ParseWholeNumber(std::wstring_view sText, int32_t& lValue);

// Case folding of keys: lookups ignore case.
size_t FoldedHash(std::wstring_view s);
bool FoldedEqual(std::wstring_view a, std::wstring_view b);

}  // namespace Config_Format
