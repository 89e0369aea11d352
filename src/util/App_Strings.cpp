#include "util/App_Strings.h"

#include <algorithm>
#include <limits>

#include "diag/App_Debug.h"
#include "diag/App_Trace.h"

namespace App_Strings {

namespace {

constexpr size_t npos = std::wstring_view::npos;
constexpr wchar_t kSpace = L' ';
constexpr wchar_t kNul = L'\0';
constexpr std::wstring_view kModule = L"App_Strings";

// ---- spaces ---------------------------------------------------------------

std::wstring_view LTrimView(std::wstring_view s) {
  const size_t a = s.find_first_not_of(kSpace);
  return a == npos ? std::wstring_view() : s.substr(a);
}

std::wstring_view RTrimView(std::wstring_view s) {
  const size_t b = s.find_last_not_of(kSpace);
  return b == npos ? std::wstring_view() : s.substr(0, b + 1);
}

std::wstring_view TrimView(std::wstring_view s) {
  return RTrimView(LTrimView(s));
}

std::wstring_view LeftView(std::wstring_view s, size_t n) {
  return s.substr(0, std::min(n, s.size()));
}

std::wstring_view RightView(std::wstring_view s, size_t n) {
  return s.substr(s.size() - std::min(n, s.size()));
}

// ---- searching --------------------------------------------------------------
// The pattern handed to the searchers is already folded in text mode; the
// searched text is folded character by character as it is read, so a search
// never copies the text it looks through.

template <bool kText>
inline wchar_t Fold(wchar_t c) {
  if constexpr (kText) {
    return LowerChar(c);
  } else {
    return c;
  }
}

template <bool kText>
bool MatchAt(std::wstring_view hay, size_t pos, std::wstring_view pat) {
  for (size_t j = 0; j < pat.size(); ++j) {
    if (Fold<kText>(hay[pos + j]) != pat[j]) return false;
  }
  return true;
}

// Below this many candidate windows a plain scan beats building a skip table.
constexpr size_t kPlainScanLimit = 64;

// First occurrence of pat in hay at or after `from` (0-based), or npos.
// Horspool's skip table is indexed by the low byte of a character: the
// characters that share a byte share the smallest of their skips, which
// keeps every skip safe for the whole UTF-16 range.
template <bool kText>
size_t FindFwd(std::wstring_view hay, std::wstring_view pat, size_t from) {
  const size_t n = hay.size(), m = pat.size();
  if (m == 0 || from > n || n - from < m) return npos;
  const size_t lastPos = n - m;
  if (m == 1 || lastPos - from < kPlainScanLimit) {
    const wchar_t first = pat[0];
    for (size_t pos = from; pos <= lastPos; ++pos) {
      if (Fold<kText>(hay[pos]) == first && MatchAt<kText>(hay, pos, pat)) return pos;
    }
    return npos;
  }
  size_t shift[256];
  std::fill(std::begin(shift), std::end(shift), m);
  for (size_t i = 0; i + 1 < m; ++i) shift[pat[i] & 0xFF] = m - 1 - i;
  const wchar_t last = pat[m - 1];
  for (size_t pos = from; pos <= lastPos;) {
    const wchar_t c = Fold<kText>(hay[pos + m - 1]);
    if (c == last && MatchAt<kText>(hay, pos, pat.substr(0, m - 1))) return pos;
    pos += shift[c & 0xFF];
  }
  return npos;
}

// Last occurrence of pat in hay (0-based start), or npos. The mirror image
// of FindFwd: windows move leftwards, keyed on their first character.
template <bool kText>
size_t FindRev(std::wstring_view hay, std::wstring_view pat) {
  const size_t n = hay.size(), m = pat.size();
  if (m == 0 || n < m) return npos;
  size_t pos = n - m;
  const wchar_t first = pat[0];
  if (m == 1 || pos < kPlainScanLimit) {
    while (true) {
      if (Fold<kText>(hay[pos]) == first && MatchAt<kText>(hay, pos, pat)) return pos;
      if (pos == 0) return npos;
      --pos;
    }
  }
  size_t shift[256];
  std::fill(std::begin(shift), std::end(shift), m);
  for (size_t i = m - 1; i >= 1; --i) shift[pat[i] & 0xFF] = i;
  while (true) {
    const wchar_t c = Fold<kText>(hay[pos]);
    if (c == first && MatchAt<kText>(hay.substr(1), pos, pat.substr(1))) return pos;
    const size_t s = shift[c & 0xFF];
    if (pos < s) return npos;
    pos -= s;
  }
}

// The forms of a search pattern: as given (binary) or folded (text).
struct Pattern {
  Pattern(std::wstring_view s, int32_t lCompareMode) : text(lCompareMode == cmText) {
    if (text) {
      folded = LCase(s);
      view = folded;
    } else {
      view = s;
    }
  }
  Pattern(const Pattern&) = delete;  // view may point into folded
  Pattern& operator=(const Pattern&) = delete;
  size_t Find(std::wstring_view hay, size_t from) const {
    return text ? FindFwd<true>(hay, view, from) : FindFwd<false>(hay, view, from);
  }
  size_t FindLast(std::wstring_view hay) const {
    return text ? FindRev<true>(hay, view) : FindRev<false>(hay, view);
  }
  bool text;
  std::wstring folded;
  std::wstring_view view;
};

int32_t ToLong(size_t n) {
  return n > static_cast<size_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(n);
}

// The cut shared by StripString and StripStringNS.
int32_t StripCut(std::wstring& sString, std::wstring_view sDelimiter, int32_t ReturnType,
                 bool bIncludeDelimiterInOutput, bool bTrimSpacesFromRemovalPoint) {
  if (ReturnType < srAfterFirst || ReturnType > srBeforeLast) return 0;
  const bool bFirst = ReturnType == srAfterFirst || ReturnType == srBeforeFirst;
  const size_t p =
      bFirst ? InStr(sString, sDelimiter, cmText) : InStrRev(sString, sDelimiter, cmText);
  if (p == 0) return 0;
  const size_t n = sDelimiter.size();
  const std::wstring_view v = sString;
  std::wstring_view kept;
  if (ReturnType == srAfterFirst || ReturnType == srAfterLast) {
    kept = bIncludeDelimiterInOutput ? v.substr(p - 1) : v.substr(p - 1 + n);
    if (bTrimSpacesFromRemovalPoint) kept = LTrimView(kept);
  } else {
    kept = bIncludeDelimiterInOutput ? v.substr(0, p - 1 + n) : v.substr(0, p - 1);
    if (bTrimSpacesFromRemovalPoint) kept = RTrimView(kept);
  }
  sString = std::wstring(kept);
  return ToLong(p);
}

int32_t CountWords(std::wstring_view sText, std::wstring_view sWord, int32_t lCompareMode) {
  if (sWord.empty() || sText.size() < sWord.size()) return 0;
  const Pattern pat(sWord, lCompareMode);
  int32_t count = 0;
  for (size_t pos = pat.Find(sText, 0); pos != npos; pos = pat.Find(sText, pos + sWord.size())) {
    ++count;
  }
  return count;
}

void ReportFailure(std::wstring_view sProcName) noexcept {
  try {
    std::wstring source(kModule);
    source.append(L".").append(sProcName);
    App_Debug::dPrint(source, L"", evErrorHandler);
  } catch (...) {
  }
}

}  // namespace

// ---- building blocks --------------------------------------------------------

wchar_t LowerChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 0x20) : c;
  if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? static_cast<wchar_t>(c + 0x20) : c;
  if (c < 0x180) {
    // Latin Extended-A: capital and small letter side by side. Dotted I
    // and dotless i, kra, n preceded by apostrophe and long s have no
    // partner in the block.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;  // Y with diaeresis: its small letter is Latin-1
    const bool evenCapital = c < 0x138 || (c >= 0x14A && c < 0x178);
    if (evenCapital) return (c & 1) ? c : static_cast<wchar_t>(c + 1);
    return (c & 1) ? static_cast<wchar_t>(c + 1) : c;
  }
  if (c >= 0x391 && c <= 0x3A9) return c == 0x3A2 ? c : static_cast<wchar_t>(c + 0x20);  // Greek
  if (c >= 0x400 && c <= 0x42F) return static_cast<wchar_t>(c < 0x410 ? c + 0x50 : c + 0x20);
  return c;
}

wchar_t UpperChar(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 0x20) : c;
  if (c < 0x100) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 0x20);
    return c == 0xFF ? static_cast<wchar_t>(0x178) : c;
  }
  if (c < 0x180) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x178) return c;
    const bool evenCapital = c < 0x138 || (c >= 0x14A && c < 0x178);
    if (evenCapital) return (c & 1) ? static_cast<wchar_t>(c - 1) : c;
    return (c & 1) ? c : static_cast<wchar_t>(c - 1);
  }
  if (c >= 0x3B1 && c <= 0x3C9) {
    return c == 0x3C2 ? static_cast<wchar_t>(0x3A3)
                      : static_cast<wchar_t>(c - 0x20);  // final sigma
  }
  if (c >= 0x430 && c <= 0x45F) return static_cast<wchar_t>(c < 0x450 ? c - 0x20 : c - 0x50);
  return c;
}

bool EqualText(std::wstring_view a, std::wstring_view b, bool bExact) {
  if (a.size() != b.size()) return false;
  if (bExact) return a == b;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && LowerChar(a[i]) != LowerChar(b[i])) return false;
  }
  return true;
}

std::wstring LCase(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = LowerChar(c);
  return out;
}

std::wstring UCase(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = UpperChar(c);
  return out;
}

std::wstring Trim(std::wstring_view s) {
  return std::wstring(TrimView(s));
}
std::wstring LTrim(std::wstring_view s) {
  return std::wstring(LTrimView(s));
}
std::wstring RTrim(std::wstring_view s) {
  return std::wstring(RTrimView(s));
}

size_t InStr(std::wstring_view sText, std::wstring_view sFind, int32_t lCompareMode,
             size_t lStart) {
  if (lStart == 0) lStart = 1;
  if (sFind.empty() || lStart > sText.size()) return 0;
  const size_t p = Pattern(sFind, lCompareMode).Find(sText, lStart - 1);
  return p == npos ? 0 : p + 1;
}

size_t InStrRev(std::wstring_view sText, std::wstring_view sFind, int32_t lCompareMode) {
  if (sFind.empty() || sFind.size() > sText.size()) return 0;
  const size_t p = Pattern(sFind, lCompareMode).FindLast(sText);
  return p == npos ? 0 : p + 1;
}

std::wstring Replace(std::wstring_view sText, std::wstring_view sFind, std::wstring_view sWith,
                     int32_t lCompareMode) {
  if (sFind.empty() || sFind.size() > sText.size()) return std::wstring(sText);
  const Pattern pat(sFind, lCompareMode);
  size_t hit = pat.Find(sText, 0);
  if (hit == npos) return std::wstring(sText);
  std::wstring out;
  out.reserve(sText.size() + (sWith.size() > sFind.size() ? sWith.size() - sFind.size() : 0) * 4);
  size_t from = 0;
  while (hit != npos) {
    out.append(sText.substr(from, hit - from)).append(sWith);
    from = hit + sFind.size();
    hit = pat.Find(sText, from);
  }
  out.append(sText.substr(from));
  return out;
}

// ---- comparison -------------------------------------------------------------

bool StringMatch(std::wstring_view a, std::wstring_view b, bool bExact) {
  a = TrimView(a);
  b = TrimView(b);
  if (a.empty() && b.empty()) return true;
  if (a.size() != b.size()) return false;
  return EqualText(a, b, bExact);
}

bool StringStartsWith(std::wstring_view sText, std::wstring_view sStart, bool bExact, bool bTrim) {
  try {
    if (bTrim) {
      sText = LTrimView(sText);
      sStart = TrimView(sStart);
    }
    if (sStart.empty()) return true;
    return StringMatch(LeftView(sText, sStart.size()), sStart, bExact);
  } catch (...) {
    ReportFailure(L"StringStartsWith");
    return false;
  }
}

bool StringEndsWith(std::wstring_view sText, std::wstring_view sEnd, bool bExact, bool bTrim) {
  try {
    if (bTrim) {
      sText = RTrimView(sText);
      sEnd = TrimView(sEnd);
    }
    if (sEnd.empty()) return true;
    return StringMatch(RightView(sText, sEnd.size()), sEnd, bExact);
  } catch (...) {
    ReportFailure(L"StringEndsWith");
    return false;
  }
}

bool HasMultipleCharacters(std::wstring_view sText, wchar_t c) {
  const std::wstring_view one(&c, 1);
  const size_t first = InStr(sText, one, cmBinary);
  if (first == 0) return false;
  return first != InStrRev(sText, one, cmText);
}

// ---- cutting at a delimiter -------------------------------------------------

void SplitString(std::wstring_view sFullStr, std::wstring_view sDelimiter, std::wstring& sPrefix,
                 std::wstring& sSuffix, bool bUseFirstDelimiter, bool bTrimSpaces) {
  App_Trace t(kModule, L"SplitString", ptSub);
  t.Vars(vkPassedByVal, {L"sFullStr", sFullStr, L"sDelimiter", sDelimiter, L"bUseFirstDelimiter",
                         bUseFirstDelimiter, L"bTrimSpaces", bTrimSpaces});
  t.Vars(vkPassedByRef, {L"sPrefix", sPrefix, L"sSuffix", sSuffix});
  size_t p = 0;
  t.Step([&] {
    p = bUseFirstDelimiter ? InStr(sFullStr, sDelimiter, cmText)
                           : InStrRev(sFullStr, sDelimiter, cmText);
  });
  if (p == 0) return;
  t.Step([&] {
    std::wstring_view before = sFullStr.substr(0, p - 1);
    std::wstring_view after = sFullStr.substr(p - 1 + sDelimiter.size());
    if (bTrimSpaces) {
      before = TrimView(before);
      after = TrimView(after);
    }
    std::wstring newPrefix(before), newSuffix(after);
    sPrefix = std::move(newPrefix);
    sSuffix = std::move(newSuffix);
  });
}

int32_t StripString(std::wstring& sString, std::wstring_view sDelimiter, int32_t ReturnType,
                    bool bIncludeDelimiterInOutput, bool bTrimSpacesFromRemovalPoint) {
  App_Trace t(kModule, L"StripString");
  t.Vars(vkPassedByRef, {L"sString", sString});
  t.Vars(vkPassedByVal,
         {L"sDelimiter", sDelimiter, L"ReturnType", ReturnType, L"bIncludeDelimiterInOutput",
          bIncludeDelimiterInOutput, L"bTrimSpacesFromRemovalPoint", bTrimSpacesFromRemovalPoint});
  int32_t lDelimPos = 0;
  t.Step([&] {
    lDelimPos = StripCut(sString, sDelimiter, ReturnType, bIncludeDelimiterInOutput,
                         bTrimSpacesFromRemovalPoint);
  });
  t.Vars(vkReturnedByRef, {L"sString", sString});
  t.Vars(vkFunctionReturn, {L"lDelimPos", lDelimPos});
  return lDelimPos;
}

int32_t StripStringNS(std::wstring& sString, std::wstring_view sDelimiter, int32_t ReturnType,
                      bool bIncludeDelimiterInOutput, bool bTrimSpacesFromRemovalPoint) {
  try {
    return StripCut(sString, sDelimiter, ReturnType, bIncludeDelimiterInOutput,
                    bTrimSpacesFromRemovalPoint);
  } catch (...) {
    return 0;
  }
}

std::wstring StripEndOfString(std::wstring_view sText, std::wstring_view sFind, bool bFirst,
                              bool bTrimLeft, bool bTrimRight) {
  if (sText.empty()) return {};
  const size_t p = bFirst ? InStr(sText, sFind, cmBinary) : InStrRev(sText, sFind, cmBinary);
  std::wstring_view v = p == 0 ? sText : sText.substr(0, p - 1);
  if (bTrimRight) v = RTrimView(v);
  if (bTrimLeft) v = LTrimView(v);
  return std::wstring(v);
}

std::wstring StripBeginningOfString(std::wstring_view sText, wchar_t cFind, bool bFirst,
                                    bool bTrimLeft, bool bTrimRight) {
  const size_t p = bFirst ? sText.find(cFind) : sText.rfind(cFind);
  std::wstring_view v = p == npos ? sText : sText.substr(p + 1);
  if (bTrimRight) v = RTrimView(v);
  if (bTrimLeft) v = LTrimView(v);
  return std::wstring(v);
}

std::wstring Strip(std::wstring_view sText, std::wstring_view sRemove) {
  if (sRemove.empty() || sText.size() < sRemove.size()) return std::wstring(sText);
  // Cutting the leftmost occurrence again and again until none is left is
  // the same as one pass that drops an occurrence as soon as it completes at
  // the end of the text kept so far: all occurrences have the same length,
  // so the first to complete is the leftmost, and what precedes it holds
  // none. Joins formed by a cut are caught the same way.
  const std::wstring pat = LCase(sRemove);
  const size_t m = pat.size();
  const wchar_t last = pat[m - 1];
  std::wstring out;
  out.reserve(sText.size());
  for (const wchar_t c : sText) {
    out.push_back(c);
    if (out.size() < m || LowerChar(c) != last) continue;
    if (MatchAt<true>(out, out.size() - m, pat)) out.resize(out.size() - m);
  }
  return out;
}

// ---- trimming characters ----------------------------------------------------

std::wstring StripTrailingCharacters(std::wstring& sText, std::wstring_view sChars) {
  if (sChars.empty()) return sText;
  if (sChars == L" ") {
    sText.resize(RTrimView(sText).size());
    return sText;
  }
  const std::wstring_view v = sText;
  size_t end = v.size();
  while (end >= sChars.size() && v.substr(end - sChars.size(), sChars.size()) == sChars)
    end -= sChars.size();
  sText.resize(end);
  return sText;
}

std::wstring StripLeadingCharacters(std::wstring& sText, std::wstring_view sChars) {
  if (sChars.empty()) return sText;
  size_t start = 0;
  if (sChars == L" ") {
    start = sText.size() - LTrimView(sText).size();
  } else {
    const std::wstring_view v = sText;
    while (v.size() - start >= sChars.size() && v.substr(start, sChars.size()) == sChars) {
      start += sChars.size();
    }
  }
  sText.erase(0, start);
  return sText;
}

std::wstring TrimLeft(std::wstring& sText, std::wstring_view sTrim, int32_t lMaximum,
                      int32_t& lCount, bool bExact) {
  try {
    if (sText.empty() || sTrim.empty()) return sText;
    // -1 (any negative) means no limit; 0 is taken as one cut.
    const int64_t limit = lMaximum < 0 ? -1 : std::max<int64_t>(lMaximum, 1);
    std::wstring_view rest = sText;
    int32_t cuts = 0;
    while (!rest.empty() && (limit < 0 || cuts < limit) &&
           StringMatch(LeftView(rest, sTrim.size()), sTrim, bExact)) {
      rest.remove_prefix(std::min(sTrim.size(), rest.size()));
      ++cuts;
    }
    if (cuts > 0) {
      sText.erase(0, sText.size() - rest.size());
      lCount += cuts;
    }
  } catch (...) {
    ReportFailure(L"TrimLeft");
  }
  return sText;
}

std::wstring TrimRight(std::wstring& sText, std::wstring_view sTrim, int32_t lMaximum,
                       int32_t& lCount, bool bExact) {
  try {
    if (sText.empty() || sTrim.empty()) return sText;
    const int64_t limit = lMaximum < 0 ? -1 : std::max<int64_t>(lMaximum, 1);
    std::wstring_view rest = sText;
    int32_t cuts = 0;
    while (!rest.empty() && (limit < 0 || cuts < limit) &&
           StringMatch(RightView(rest, sTrim.size()), sTrim, bExact)) {
      rest.remove_suffix(std::min(sTrim.size(), rest.size()));
      ++cuts;
    }
    if (cuts > 0) {
      sText.resize(rest.size());
      lCount += cuts;
    }
  } catch (...) {
    ReportFailure(L"TrimRight");
  }
  return sText;
}

int32_t StripWrappingChr(std::wstring& sText, std::wstring_view sWrap, bool bRepeat,
                         bool bBothEndsRequired, bool bKeepWhenEqual) {
  if (sWrap.empty()) return 0;
  if (bKeepWhenEqual && StringMatch(sText, sWrap, false)) return 0;
  const size_t m = sWrap.size();
  std::wstring_view v = sText;
  // An empty text never counts as wrapped (a wrap of spaces would match it
  // forever, since the comparison trims).
  auto head = [&] { return !v.empty() && StringMatch(LeftView(v, m), sWrap, false); };
  auto tail = [&] { return !v.empty() && StringMatch(RightView(v, m), sWrap, false); };
  int32_t cuts = 0;
  if (bBothEndsRequired) {
    while (head() && tail()) {
      // Ends that overlap (a text no longer than two wraps) leave nothing.
      v = v.size() <= 2 * m ? std::wstring_view() : v.substr(m, v.size() - 2 * m);
      ++cuts;
      if (!bRepeat) break;
    }
  } else {
    while (head()) {
      v.remove_prefix(std::min(m, v.size()));
      ++cuts;
      if (!bRepeat) break;
    }
    while (tail()) {
      v.remove_suffix(std::min(m, v.size()));
      ++cuts;
      if (!bRepeat) break;
    }
  }
  if (cuts > 0) sText = std::wstring(v);
  return cuts;
}

void EnsureWrappingChr(std::wstring& sText, wchar_t c, bool bLeaveEmptyTextEmpty) {
  if (sText.empty()) {
    if (!bLeaveEmptyTextEmpty) sText.assign(2, c);
    return;
  }
  if (sText.size() == 1 && sText[0] == c) return;
  if (sText.front() != c) sText.insert(sText.begin(), c);
  if (sText.back() != c) sText.push_back(c);
}

// ---- NULs and line breaks ---------------------------------------------------

std::wstring TrimNull(std::wstring& sText, bool bTrim) {
  const size_t p = sText.find(kNul);
  if (p != npos) sText.resize(p);
  if (bTrim) sText = Trim(sText);
  return sText;
}

void ReplaceNullsForDisplay(std::wstring& sText) {
  const size_t nuls = static_cast<size_t>(std::count(sText.begin(), sText.end(), kNul));
  if (nuls == 0) return;
  std::wstring out;
  out.reserve(sText.size() + nuls * 5);
  for (const wchar_t c : sText) {
    if (c == kNul) {
      out.append(L"<NULL>");
    } else {
      out.push_back(c);
    }
  }
  if (nuls > 1) {
    // Pairs first, then pairs of pairs until one marker per run is left:
    // log2(run length) passes at most.
    while (out.find(L"<NULL><NULL>") != npos) out = Replace(out, L"<NULL><NULL>", L"<M_NULL>");
    while (out.find(L"<M_NULL><M_NULL>") != npos)
      out = Replace(out, L"<M_NULL><M_NULL>", L"<M_NULL>");
  }
  sText = std::move(out);
}

std::wstring FilterCRLF(std::wstring_view sText, bool bEncode) {
  std::wstring out;
  if (sText.empty()) return out;
  out.reserve(sText.size() + (bEncode ? 16 : 0));
  const size_t n = sText.size();
  // One pass does the three replacements in their order: no replacement
  // text can take part in a later match (markers hold no CR or LF, and CR
  // and LF are not marker characters), and the markers cannot overlap.
  if (bEncode) {
    for (size_t i = 0; i < n; ++i) {
      const wchar_t c = sText[i];
      if (c == L'\r' && i + 1 < n && sText[i + 1] == L'\n') {
        out.append(L"<CRLF>");
        ++i;
      } else if (c == L'\r') {
        out.append(L"<CR>");
      } else if (c == L'\n') {
        out.append(L"<LF>");
      } else {
        out.push_back(c);
      }
    }
    return out;
  }
  for (size_t i = 0; i < n; ++i) {
    const std::wstring_view rest = sText.substr(i);
    if (sText[i] == L'<') {
      if (rest.starts_with(L"<CRLF>")) {
        out.append(L"\r\n");
        i += 5;
        continue;
      }
      if (rest.starts_with(L"<CR>")) {
        out.push_back(L'\r');
        i += 3;
        continue;
      }
      if (rest.starts_with(L"<LF>")) {
        out.push_back(L'\n');
        i += 3;
        continue;
      }
    }
    out.push_back(sText[i]);
  }
  return out;
}

// ---- counting -----------------------------------------------------------------

int32_t GetWordCount(std::wstring_view sText, std::wstring_view sWord, int32_t lCompareMode) {
  try {
    return CountWords(sText, sWord, lCompareMode);
  } catch (...) {
    return 0;
  }
}

int32_t WordCount(std::wstring_view sText, std::wstring_view sWord, int32_t lCompareMode) {
  App_Trace t(kModule, L"WordCount");
  int32_t count = 0;
  t.Step([&] { count = CountWords(sText, sWord, lCompareMode); });
  t.Vars(vkFunctionReturn, {count});
  return count;
}

// ---- file-name pieces ---------------------------------------------------------

std::wstring StripPath(std::wstring_view sFullPathAndFileName) {
  std::wstring s(sFullPathAndFileName);
  StripTrailingBackslash(s);
  if (s.find(L'\\') == npos) return s;
  StripString(s, L"\\", srAfterLast, false, true);
  return s;
}

std::wstring StripFileExtension(std::wstring_view sFileName) {
  std::wstring s(sFileName);
  if (s.find(L'.') == npos) return s;
  StripString(s, L".", srBeforeLast, false, false);
  return s;
}

std::wstring GetFilePath(std::wstring_view sPath) {
  std::wstring s(sPath);
  for (const wchar_t* sep : {L"\\", L"/"}) {
    if (s.find(sep[0]) == npos) continue;
    if (s.back() == sep[0]) s.pop_back();
    StripString(s, sep, srBeforeLast, false, true);
    return s;
  }
  return s;
}

std::wstring GetFilePathOnly(std::wstring_view sPath) {
  const size_t p = sPath.rfind(L'\\');
  return std::wstring(p == npos ? sPath : sPath.substr(0, p));
}

void StripTrailingBackslash(std::wstring& sDir) {
  if (!sDir.empty() && sDir.back() == L'\\') sDir.pop_back();
}

void StripDrive(std::wstring& sFileString) {
  App_Trace t(kModule, L"StripDrive", ptSub);
  t.Vars(vkPassedByRef, {L"sFileString", sFileString});
  t.Step([&] {
    const std::wstring_view v = LTrimView(sFileString);
    const size_t p = InStr(LeftView(v, 7), L":", cmText);
    if (p == 0) return;
    std::wstring s;
    s.reserve(v.size() - p + 1);
    if (!v.empty() && v.front() == L'"') s.push_back(L'"');
    s.append(v.substr(p));
    sFileString = std::move(s);
  });
}

// ---- dates ----------------------------------------------------------------------

std::wstring StripNonNumericValuesFromTimeDateString(std::wstring& strDateString,
                                                     std::wstring_view strDelimiterReplacement) {
  if (strDateString.empty()) return strDateString;
  try {
    static constexpr std::wstring_view kRemove[] = {L"/", L"\\", L"-", L"a", L"p", L"m",
                                                    L" ", L":",  L".", L"h", L"s", L" "};
    std::wstring s = strDateString;
    for (const std::wstring_view r : kRemove) s = Replace(s, r, strDelimiterReplacement, cmText);
    strDateString = std::move(s);
  } catch (...) {
  }
  return strDateString;
}

// ---- character classes ----------------------------------------------------------

bool HasUnicodeCharacters(std::wstring_view sString) {
  return std::any_of(sString.begin(), sString.end(), [](wchar_t c) { return c > 0xFF; });
}

std::wstring UnwrapQuotes(std::wstring_view sText) {
  if (sText.size() >= 2 && sText.front() == L'"' && sText.back() == L'"') sText = sText.substr(1, sText.size() - 2);
  return std::wstring(sText);
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool UseWideAPI(std::wstring_view sString) {
  return std::any_of(sString.begin(), sString.end(), [](wchar_t c) {
    const unsigned low = static_cast<unsigned>(c) & 0xFFu;
    return low < 32 || low > 126;
  });
}

}  // namespace App_Strings
