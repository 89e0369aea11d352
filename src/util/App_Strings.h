// Text helpers (module App_Strings): comparing, cutting, trimming and
// marking up text. Positions are counted in characters from 1, as the
// results of the routines report them. "Trimming" removes spaces only.
// No routine raises an error to its caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace App_Strings {

// Comparison modes.
enum App_CompareMode : int32_t { cmBinary = 0, cmText = 1 };

// ---- building blocks used across the program ----
wchar_t LowerChar(wchar_t c);  // case folding of text-mode comparisons
wchar_t UpperChar(wchar_t c);  // the reverse mapping, for UCase
bool EqualText(std::wstring_view a, std::wstring_view b, bool bExact);  // same length and equal
std::wstring LCase(std::wstring_view s);
std::wstring UCase(std::wstring_view s);
std::wstring Trim(std::wstring_view s);   // spaces on both sides
std::wstring LTrim(std::wstring_view s);
std::wstring RTrim(std::wstring_view s);
// 1-based position of sFind in sText at or after lStart, 0 when absent.
// An empty sFind is never found (0), so callers never cut at an empty delimiter.
size_t InStr(std::wstring_view sText, std::wstring_view sFind, int32_t lCompareMode = cmBinary,
             size_t lStart = 1);
// 1-based position of the last occurrence of sFind, 0 when absent.
size_t InStrRev(std::wstring_view sText, std::wstring_view sFind, int32_t lCompareMode = cmBinary);
// Every occurrence of sFind replaced, left to right, not rescanning replacements.
// An empty sFind leaves the text as it is.
std::wstring Replace(std::wstring_view sText, std::wstring_view sFind, std::wstring_view sWith,
                     int32_t lCompareMode = cmBinary);

// ---- comparison ----
bool StringMatch(std::wstring_view a, std::wstring_view b, bool bExact = false);
bool StringStartsWith(std::wstring_view sText, std::wstring_view sStart, bool bExact = false,
                      bool bTrim = false);
bool StringEndsWith(std::wstring_view sText, std::wstring_view sEnd, bool bExact = false,
                    bool bTrim = false);
bool HasMultipleCharacters(std::wstring_view sText, wchar_t c);

// ---- cutting at a delimiter ----
// StripString result selectors.
enum App_StripReturn : int32_t {
  srAfterFirst = 0,
  srAfterLast = 1,
  srBeforeFirst = 2,
  srBeforeLast = 3,
};
void SplitString(std::wstring_view sFullStr, std::wstring_view sDelimiter, std::wstring& sPrefix,
                 std::wstring& sSuffix, bool bUseFirstDelimiter = true, bool bTrimSpaces = true);
int32_t StripString(std::wstring& sString, std::wstring_view sDelimiter, int32_t ReturnType,
                    bool bIncludeDelimiterInOutput = false, bool bTrimSpacesFromRemovalPoint = false);
int32_t StripStringNS(std::wstring& sString, std::wstring_view sDelimiter, int32_t ReturnType,
                      bool bIncludeDelimiterInOutput = false, bool bTrimSpacesFromRemovalPoint = false);
std::wstring StripEndOfString(std::wstring_view sText, std::wstring_view sFind, bool bFirst,
                              bool bTrimLeft, bool bTrimRight);
std::wstring StripBeginningOfString(std::wstring_view sText, wchar_t cFind, bool bFirst,
                                    bool bTrimLeft, bool bTrimRight);
std::wstring Strip(std::wstring_view sText, std::wstring_view sRemove);

// ---- trimming characters ----
std::wstring StripTrailingCharacters(std::wstring& sText, std::wstring_view sChars);
std::wstring StripLeadingCharacters(std::wstring& sText, std::wstring_view sChars);
std::wstring TrimLeft(std::wstring& sText, std::wstring_view sTrim, int32_t lMaximum,
                      int32_t& lCount, bool bExact);
std::wstring TrimRight(std::wstring& sText, std::wstring_view sTrim, int32_t lMaximum,
                       int32_t& lCount, bool bExact);
int32_t StripWrappingChr(std::wstring& sText, std::wstring_view sWrap, bool bRepeat,
                         bool bBothEndsRequired, bool bKeepWhenEqual);
void EnsureWrappingChr(std::wstring& sText, wchar_t c, bool bLeaveEmptyTextEmpty);
// sText without one pair of double quotes that wraps it whole; any other
// text is returned as it is.
std::wstring UnwrapQuotes(std::wstring_view sText);

// ---- NULs and line breaks ----
std::wstring TrimNull(std::wstring& sText, bool bTrim);
void ReplaceNullsForDisplay(std::wstring& sText);
std::wstring FilterCRLF(std::wstring_view sText, bool bEncode);

// ---- counting ----
int32_t GetWordCount(std::wstring_view sText, std::wstring_view sWord, int32_t lCompareMode);
int32_t WordCount(std::wstring_view sText, std::wstring_view sWord, int32_t lCompareMode);

// ---- file-name pieces ----
std::wstring StripPath(std::wstring_view sFullPathAndFileName);
std::wstring StripFileExtension(std::wstring_view sFileName);
std::wstring GetFilePath(std::wstring_view sPath);
std::wstring GetFilePathOnly(std::wstring_view sPath);
void StripTrailingBackslash(std::wstring& sDir);
void StripDrive(std::wstring& sFileString);

// ---- dates ----
std::wstring StripNonNumericValuesFromTimeDateString(std::wstring& strDateString,
                                                     std::wstring_view strDelimiterReplacement);

// ---- character classes ----
bool HasUnicodeCharacters(std::wstring_view sString);
bool UseWideAPI(std::wstring_view sString);
// The value of one hexadecimal digit (either case), -1 for any other character.
int HexDigit(wchar_t c);

}  // namespace App_Strings
