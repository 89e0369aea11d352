// Text helpers: folding, searching, cutting, trimming, markers, file-name
// pieces and the call records of the traced helpers.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "diag/App_Debug.h"
#include "lumo_test.h"
#include "util/App_Strings.h"

using namespace App_Strings;

namespace {

const std::wstring kNulStr(1, L'\0');

// Plain reference searches for cross-checking the fast ones.
size_t NaiveFind(const std::wstring& hay, const std::wstring& pat, bool text, size_t from) {
  for (size_t pos = from; pos + pat.size() <= hay.size(); ++pos) {
    if (EqualText(std::wstring_view(hay).substr(pos, pat.size()), pat, !text)) return pos + 1;
  }
  return 0;
}

size_t NaiveFindLast(const std::wstring& hay, const std::wstring& pat, bool text) {
  size_t last = 0;
  for (size_t p = NaiveFind(hay, pat, text, 0); p != 0; p = NaiveFind(hay, pat, text, p)) last = p;
  return last;
}

class TracedStrings : public ::testing::Test {
 protected:
  void SetUp() override { dbg.Reset(); }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST(StringsFolding, LowerAndUpperCoverTheFoldedBlocks) {
  EXPECT_EQ(LowerChar(L'A'), L'a');
  EXPECT_EQ(LowerChar(L'Z'), L'z');
  EXPECT_EQ(LowerChar(L'@'), L'@');
  EXPECT_EQ(LowerChar(L'['), L'[');
  EXPECT_EQ(LowerChar(0xC0), 0xE0);
  EXPECT_EQ(LowerChar(0xDE), 0xFE);
  EXPECT_EQ(LowerChar(0xD7), 0xD7);  // multiplication sign
  EXPECT_EQ(LowerChar(0xDF), 0xDF);  // sharp s
  EXPECT_EQ(LowerChar(0x100), 0x101);
  EXPECT_EQ(LowerChar(0x101), 0x101);
  EXPECT_EQ(LowerChar(0x139), 0x13A);  // odd capitals between 0x139 and 0x148
  EXPECT_EQ(LowerChar(0x148), 0x148);
  EXPECT_EQ(LowerChar(0x14A), 0x14B);
  EXPECT_EQ(LowerChar(0x160), 0x161);
  EXPECT_EQ(LowerChar(0x178), 0xFF);
  EXPECT_EQ(LowerChar(0x17D), 0x17E);
  EXPECT_EQ(LowerChar(0x391), 0x3B1);
  EXPECT_EQ(LowerChar(0x3A9), 0x3C9);
  EXPECT_EQ(LowerChar(0x3AA), 0x3AA);
  EXPECT_EQ(LowerChar(0x400), 0x450);
  EXPECT_EQ(LowerChar(0x40F), 0x45F);
  EXPECT_EQ(LowerChar(0x410), 0x430);
  EXPECT_EQ(LowerChar(0x42F), 0x44F);
  EXPECT_EQ(LowerChar(0x430), 0x430);

  const std::wstring mixed = L"Ab\u00C9\u00FF\u0160\u013B\u0394\u0416\u0401 1";
  EXPECT_EQ(LCase(mixed), L"ab\u00E9\u00FF\u0161\u013C\u03B4\u0436\u0451 1");
  EXPECT_EQ(UCase(mixed), L"AB\u00C9\u0178\u0160\u013B\u0394\u0416\u0401 1");
  EXPECT_EQ(LCase(UCase(mixed)), LCase(mixed));

  EXPECT_TRUE(EqualText(L"\u00C9COLE", L"\u00E9cole", false));
  EXPECT_FALSE(EqualText(L"\u00C9COLE", L"\u00E9cole", true));
  EXPECT_FALSE(EqualText(L"abc ", L"abc", false));  // no trimming here
  EXPECT_EQ(Trim(L"\t a b \t"), L"\t a b \t");      // only spaces are trimmed
  EXPECT_EQ(Trim(L"  a b  "), L"a b");
  EXPECT_EQ(LTrim(L"  a  "), L"a  ");
  EXPECT_EQ(RTrim(L"  a  "), L"  a");
  EXPECT_EQ(Trim(L"    "), L"");
}

TEST(StringsSearch, PositionsStartsAndModes) {
  EXPECT_EQ(InStr(L"abcabc", L"c"), 3u);
  EXPECT_EQ(InStr(L"abcabc", L"c", cmBinary, 4), 6u);
  EXPECT_EQ(InStr(L"abcabc", L"c", cmBinary, 6), 6u);  // the start itself counts
  EXPECT_EQ(InStr(L"abcabc", L"c", cmBinary, 7), 0u);
  EXPECT_EQ(InStr(L"abc", L"a", cmBinary, 0), 1u);  // 0 is read as 1
  EXPECT_EQ(InStr(L"abc", L"B"), 0u);
  EXPECT_EQ(InStr(L"abc", L"B", cmText), 2u);
  EXPECT_EQ(InStr(L"abc", L""), 0u);
  EXPECT_EQ(InStr(L"", L"a"), 0u);
  EXPECT_EQ(InStr(L"ab", L"abc"), 0u);
  EXPECT_EQ(InStrRev(L"a\\b\\c", L"\\"), 4u);
  EXPECT_EQ(InStrRev(L"xAx", L"a"), 0u);
  EXPECT_EQ(InStrRev(L"xAxa", L"A", cmText), 4u);
  EXPECT_EQ(InStrRev(L"abc", L"abc"), 1u);
  EXPECT_EQ(InStrRev(L"abc", L""), 0u);

  // Every other replacement left to right, never rescanning what was put in.
  EXPECT_EQ(Replace(L"aaa", L"aa", L"a"), L"aa");
  EXPECT_EQ(Replace(L"a.a", L"a", L"aa"), L"aa.aa");
  EXPECT_EQ(Replace(L"xAbyaB", L"ab", L"-", cmText), L"x-y-");
  EXPECT_EQ(Replace(L"xAbyaB", L"ab", L"-"), L"xAbyaB");
  EXPECT_EQ(Replace(L"abc", L"", L"-"), L"abc");
  EXPECT_EQ(Replace(L"abc", L"abc", L""), L"");
}

TEST(StringsSearch, LongTextsAgreeWithAPlainScan) {
  // Characters sharing a low byte ('a' and U+0161, 'A' and U+0141) land in
  // one bucket of the skip table; capitals exercise the folding.
  const wchar_t alphabet[] = {L'a', L'A', L'b', 0x161, 0x160, 0x141, L'c'};
  std::mt19937 rng(12345);
  auto pick = [&](size_t n) {
    std::wstring s;
    for (size_t i = 0; i < n; ++i) s.push_back(alphabet[rng() % std::size(alphabet)]);
    return s;
  };
  for (int round = 0; round < 400; ++round) {
    const std::wstring hay = pick(100 + rng() % 300);
    const std::wstring pat =
        round % 3 == 0 ? hay.substr(rng() % 50, 1 + rng() % 6) : pick(1 + rng() % 4);
    const size_t from = 1 + rng() % 60;
    for (const int mode : {cmBinary, cmText}) {
      const bool text = mode == cmText;
      ASSERT_EQ(InStr(hay, pat, mode, from), NaiveFind(hay, pat, text, from - 1)) << round;
      ASSERT_EQ(InStrRev(hay, pat, mode), NaiveFindLast(hay, pat, text)) << round;
    }
  }
  // Found only at the very ends of a long text.
  const std::wstring big = L"xyz" + std::wstring(100000, L'a') + L"XYZ";
  EXPECT_EQ(InStr(big, L"xyz", cmText, 2), big.size() - 2);
  EXPECT_EQ(InStrRev(big, L"XYZ"), big.size() - 2);
  EXPECT_EQ(InStrRev(big, L"xyz"), 1u);
  EXPECT_EQ(Replace(big, L"a", L"").size(), 6u);
}

TEST(StringsCompare, MatchStartsAndEnds) {
  EXPECT_TRUE(StringMatch(L" ", L"", false));
  EXPECT_TRUE(StringMatch(L"abc", L"ABC", false));
  EXPECT_FALSE(StringMatch(L"abc", L"ABC", true));
  EXPECT_FALSE(StringMatch(L"ab", L"abc", false));
  EXPECT_TRUE(StringMatch(L"  abc ", L"abc", true));
  EXPECT_FALSE(StringMatch(L"\tabc", L"abc", false));

  EXPECT_TRUE(StringStartsWith(L"C:\\Tools\\x.exe", L"c:\\tools", false, false));
  EXPECT_FALSE(StringStartsWith(L"C:\\Tools\\x.exe", L"c:\\tools", true, false));
  EXPECT_TRUE(StringStartsWith(L"anything", L"", false, false));
  EXPECT_TRUE(StringStartsWith(L"", L"", true, false));
  EXPECT_FALSE(StringStartsWith(L"  abc", L"ab", false, false));
  EXPECT_TRUE(StringStartsWith(L"  abc", L" ab ", false, true));
  EXPECT_TRUE(StringStartsWith(L"abc", L"   ", false, true));  // trims to an empty start
  EXPECT_FALSE(StringStartsWith(L"ab", L"abc", false, false));

  EXPECT_TRUE(StringEndsWith(L"C:\\x.EXE", L".exe", false, false));
  EXPECT_FALSE(StringEndsWith(L"C:\\x.EXE", L".exe", true, false));
  EXPECT_FALSE(StringEndsWith(L"x.exe  ", L"exe", false, false));
  EXPECT_TRUE(StringEndsWith(L"x.exe  ", L"exe", false, true));
  EXPECT_TRUE(StringEndsWith(L"x", L"", false, false));

  EXPECT_TRUE(HasMultipleCharacters(L"a" + kNulStr + L"b" + kNulStr, L'\0'));
  EXPECT_FALSE(HasMultipleCharacters(L"a" + kNulStr + L"b", L'\0'));
  EXPECT_FALSE(HasMultipleCharacters(L"ab", L'\0'));
}

TEST_F(TracedStrings, SplitAtFirstOrLastDelimiter) {
  std::wstring pre = L"old1", suf = L"old2";
  SplitString(L"1.2.3", L".", pre, suf, true, true);
  EXPECT_EQ(pre, L"1");
  EXPECT_EQ(suf, L"2.3");
  SplitString(L"1.2.3", L".", pre, suf, false, true);
  EXPECT_EQ(pre, L"1.2");
  EXPECT_EQ(suf, L"3");
  pre = L"keep1";
  suf = L"keep2";
  SplitString(L"123", L".", pre, suf, true, true);
  EXPECT_EQ(pre, L"keep1");
  EXPECT_EQ(suf, L"keep2");
  SplitString(L" a  AND b ", L"and", pre, suf, true, true);  // text mode, then trimmed
  EXPECT_EQ(pre, L"a");
  EXPECT_EQ(suf, L"b");
  SplitString(L" a = b ", L"=", pre, suf, true, false);
  EXPECT_EQ(pre, L" a ");
  EXPECT_EQ(suf, L" b ");
  SplitString(L"key=", L"=", pre, suf, true, true);
  EXPECT_EQ(pre, L"key");
  EXPECT_EQ(suf, L"");
}

TEST_F(TracedStrings, StripStringSelectors) {
  struct Case {
    int32_t sel;
    bool inc;
    const wchar_t* expect;
    int32_t pos;
  };
  const Case cases[] = {
      {srAfterFirst, false, L"b\\c", 2},  {srAfterLast, false, L"c", 4},
      {srBeforeFirst, false, L"a", 2},    {srBeforeLast, false, L"a\\b", 4},
      {srAfterFirst, true, L"\\b\\c", 2}, {srAfterLast, true, L"\\c", 4},
      {srBeforeFirst, true, L"a\\", 2},   {srBeforeLast, true, L"a\\b\\", 4},
  };
  for (const Case& c : cases) {
    std::wstring s = L"a\\b\\c", ns = s;
    EXPECT_EQ(StripString(s, L"\\", c.sel, c.inc), c.pos) << c.sel << c.inc;
    EXPECT_EQ(s, c.expect) << c.sel << c.inc;
    EXPECT_EQ(StripStringNS(ns, L"\\", c.sel, c.inc), c.pos);
    EXPECT_EQ(ns, c.expect);
  }
  // A delimiter several characters long, found in text mode.
  std::wstring s = L"one AND two and three";
  EXPECT_EQ(StripString(s, L"and", srAfterLast), 13);
  EXPECT_EQ(s, L" three");
  s = L"one AND two and three";
  EXPECT_EQ(StripString(s, L"and", srAfterFirst, false, true), 5);
  EXPECT_EQ(s, L"two and three");
  s = L"one AND two and three";
  EXPECT_EQ(StripString(s, L"and", srBeforeFirst, false, true), 5);
  EXPECT_EQ(s, L"one");
  s = L"one AND two and three";
  EXPECT_EQ(StripStringNS(s, L"AND", srBeforeLast, true, true), 13);
  EXPECT_EQ(s, L"one AND two and");
  // Not found, empty delimiter, or an unknown selector: unchanged, result 0.
  for (const int32_t sel : {0, 4, -1}) {
    s = L"a\\b";
    EXPECT_EQ(StripString(s, sel == srAfterFirst ? L"/" : L"\\", sel), 0);
    EXPECT_EQ(s, L"a\\b");
  }
  EXPECT_EQ(StripStringNS(s, L"", srAfterFirst), 0);
  EXPECT_EQ(s, L"a\\b");
}

TEST_F(TracedStrings, CallRecordsHoldArgumentsAndResults) {
  const int32_t before = App_Debug::ProcCount();
  std::wstring s = L"a\\b\\c";
  StripString(s, L"\\", srBeforeLast, false, false);
  ASSERT_EQ(App_Debug::ProcCount(), before + 1);
  const App_Proc* p = App_Debug::ProcObject(App_Debug::ProcCount());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ProcedureSource(), L"App_Strings.StripString");
  EXPECT_EQ(p->Vars_Passed_ByRef(), L"sString.String=a\\b\\c");
  EXPECT_NE(p->Vars_Passed_ByVal().find(L"ReturnType.LongInteger=3"), std::wstring::npos);
  EXPECT_EQ(p->Vars_Returned_ByRef(), L"sString.String=a\\b");
  EXPECT_EQ(p->Vars_Function_Result(), L"lDelimPos.LongInteger=4");
  EXPECT_EQ(p->EventCount_ErrorHandler(), 0);

  std::wstring pre, suf;
  SplitString(L"x=y", L"=", pre, suf);
  p = App_Debug::ProcObject(App_Debug::ProcCount());
  EXPECT_EQ(p->ProcedureSource(), L"App_Strings.SplitString");
  EXPECT_EQ(p->Vars_Passed_ByVal().substr(0, 18), L"sFullStr.String=x=");

  EXPECT_EQ(WordCount(L"a-a-a", L"a", cmBinary), 3);
  p = App_Debug::ProcObject(App_Debug::ProcCount());
  EXPECT_EQ(p->ProcedureSource(), L"App_Strings.WordCount");
  EXPECT_EQ(p->Vars_Function_Result(), L"LongInteger=3");

  // The untraced twins leave no record.
  const int32_t n = App_Debug::ProcCount();
  std::wstring t = L"a.b";
  StripStringNS(t, L".", srAfterFirst);
  GetWordCount(L"aa", L"a", cmBinary);
  EXPECT_EQ(App_Debug::ProcCount(), n);
}

TEST(StringsCut, EndBeginningAndRepeatedStrip) {
  EXPECT_EQ(StripEndOfString(L"", L"x", true, true, true), L"");
  EXPECT_EQ(StripEndOfString(L"a b # c # d", L"#", true, false, true), L"a b");
  EXPECT_EQ(StripEndOfString(L"a b # c # d", L"#", false, false, false), L"a b # c ");
  EXPECT_EQ(StripEndOfString(L" ab ", L"#", true, true, false), L"ab ");   // not found, trimmed
  EXPECT_EQ(StripEndOfString(L"aXbx", L"x", true, false, false), L"aXb");  // binary
  EXPECT_EQ(StripBeginningOfString(L"k = v = w", L'=', true, true, false), L"v = w");
  EXPECT_EQ(StripBeginningOfString(L"k = v = w", L'=', false, false, false), L" w");
  EXPECT_EQ(StripBeginningOfString(L" kv ", L'=', true, false, true), L" kv");
  EXPECT_EQ(StripBeginningOfString(L"kv=", L'=', true, false, false), L"");

  EXPECT_EQ(Strip(L"a<br>b<BR>c", L"<br>"), L"abc");
  EXPECT_EQ(Strip(L"aabb", L"ab"), L"");  // the join of a cut is cut as well
  EXPECT_EQ(Strip(L"xaAbBy", L"ab"), L"xy");
  EXPECT_EQ(Strip(L"ababa", L"aba"), L"ba");  // leftmost occurrence first
  EXPECT_EQ(Strip(L"abc", L"abcd"), L"abc");
  const std::wstring nested = std::wstring(50000, L'a') + std::wstring(50000, L'B');
  EXPECT_EQ(Strip(L"<" + nested + L">", L"ab"), L"<>");
}

TEST(StringsTrim, LeadingAndTrailingRuns) {
  std::wstring s = L"xx\\\\";
  EXPECT_EQ(StripTrailingCharacters(s, L"\\"), L"xx");
  EXPECT_EQ(s, L"xx");
  s = L"abababX";
  EXPECT_EQ(StripLeadingCharacters(s, L"ab"), L"X");
  s = L"aba";
  EXPECT_EQ(StripLeadingCharacters(s, L"ab"), L"a");
  s = L"ABx";
  EXPECT_EQ(StripLeadingCharacters(s, L"ab"), L"ABx");  // binary
  s = L"  x  ";
  EXPECT_EQ(StripTrailingCharacters(s, L" "), L"  x");
  EXPECT_EQ(StripLeadingCharacters(s, L" "), L"x");
  s = L"----";
  EXPECT_EQ(StripTrailingCharacters(s, L"--"), L"");

  int32_t count = 0;
  s = L"C:\\dir\\\\\\";
  EXPECT_EQ(TrimRight(s, L"\\", -1, count, false), L"C:\\dir");
  EXPECT_EQ(s, L"C:\\dir");
  EXPECT_EQ(count, 3);
  count = 0;
  s = L"\\\\\\x";
  EXPECT_EQ(TrimLeft(s, L"\\", 2, count, false), L"\\x");
  EXPECT_EQ(count, 2);
  TrimLeft(s, L"\\", 0, count, false);  // a maximum of 0 cuts once at most
  EXPECT_EQ(s, L"x");
  EXPECT_EQ(count, 3);  // the count adds up
  count = 0;
  s = L"WWwx";
  EXPECT_EQ(TrimLeft(s, L"w", -1, count, false), L"x");
  EXPECT_EQ(count, 3);
  count = 0;
  s = L"WWwx";
  EXPECT_EQ(TrimLeft(s, L"w", -1, count, true), L"WWwx");
  EXPECT_EQ(count, 0);
  s = L"aaaa";
  EXPECT_EQ(TrimRight(s, L"a", -1, count, true), L"");
  EXPECT_EQ(count, 4);
  count = 0;
  s = L"";
  EXPECT_EQ(TrimLeft(s, L"a", -1, count, true), L"");
  s = L"abc";
  EXPECT_EQ(TrimRight(s, L"", -1, count, true), L"abc");
  count = 0;
  s = L"   ";  // a space trim text must not loop on the emptied text
  EXPECT_EQ(TrimRight(s, L" ", -1, count, true), L"");
  EXPECT_EQ(count, 3);
}

TEST(StringsTrim, WrappingCharacters) {
  std::wstring s = L"\"C:\\x y\"";
  EXPECT_EQ(StripWrappingChr(s, L"\"", false, true, false), 1);
  EXPECT_EQ(s, L"C:\\x y");
  s = L"\"abc";
  EXPECT_EQ(StripWrappingChr(s, L"\"", false, false, false), 1);
  EXPECT_EQ(s, L"abc");
  s = L"\"abc";
  EXPECT_EQ(StripWrappingChr(s, L"\"", false, true, false), 0);
  EXPECT_EQ(s, L"\"abc");
  s = L"''x''";
  EXPECT_EQ(StripWrappingChr(s, L"'", false, true, false), 1);
  EXPECT_EQ(s, L"'x'");
  s = L"''x''";
  EXPECT_EQ(StripWrappingChr(s, L"'", true, true, false), 2);
  EXPECT_EQ(s, L"x");
  s = L"''x'";
  EXPECT_EQ(StripWrappingChr(s, L"'", true, false, false), 3);
  EXPECT_EQ(s, L"x");
  s = L"<<x>";
  EXPECT_EQ(StripWrappingChr(s, L"", true, false, false), 0);
  s = L"\"";
  EXPECT_EQ(StripWrappingChr(s, L"\"", true, true, true), 0);  // kept when equal
  EXPECT_EQ(s, L"\"");
  EXPECT_EQ(StripWrappingChr(s, L"\"", true, true, false), 1);
  EXPECT_EQ(s, L"");
  s = L"XYaXy";  // ends compared in text mode
  EXPECT_EQ(StripWrappingChr(s, L"xy", false, true, false), 1);
  EXPECT_EQ(s, L"a");

  s = L"";
  EnsureWrappingChr(s, L'"', false);
  EXPECT_EQ(s, L"\"\"");
  s = L"";
  EnsureWrappingChr(s, L'"', true);
  EXPECT_EQ(s, L"");
  s = L"\"";
  EnsureWrappingChr(s, L'"', false);
  EXPECT_EQ(s, L"\"");
  s = L"\"a";
  EnsureWrappingChr(s, L'"', false);
  EXPECT_EQ(s, L"\"a\"");
  s = L"a";
  EnsureWrappingChr(s, L'"', false);
  EXPECT_EQ(s, L"\"a\"");
}

TEST(StringsMarkers, NulsAndLineBreaks) {
  std::wstring s = L"abc" + kNulStr + L"def";
  EXPECT_EQ(TrimNull(s, false), L"abc");
  EXPECT_EQ(s, L"abc");
  s = kNulStr + L"x";
  EXPECT_EQ(TrimNull(s, true), L"");
  s = L" a " + kNulStr + L" b";
  EXPECT_EQ(TrimNull(s, true), L"a");
  s = L" a ";
  EXPECT_EQ(TrimNull(s, true), L"a");  // trimmed without a NUL too
  s = L" a ";
  EXPECT_EQ(TrimNull(s, false), L" a ");

  auto display = [](const std::wstring& in) {
    std::wstring t = in;
    ReplaceNullsForDisplay(t);
    return t;
  };
  const std::wstring n1 = kNulStr, n2 = n1 + n1, n3 = n2 + n1, n4 = n2 + n2, n5 = n4 + n1;
  EXPECT_EQ(display(L"a" + n1 + L"b"), L"a<NULL>b");
  EXPECT_EQ(display(L"a" + n2 + L"b"), L"a<M_NULL>b");
  EXPECT_EQ(display(L"a" + n3 + L"b"), L"a<M_NULL><NULL>b");
  EXPECT_EQ(display(L"a" + n4 + L"b"), L"a<M_NULL>b");
  EXPECT_EQ(display(L"a" + n5 + L"b"), L"a<M_NULL><NULL>b");
  EXPECT_EQ(display(n1 + L"x" + n2 + L"y" + n1), L"<NULL>x<M_NULL>y<NULL>");
  EXPECT_EQ(display(L"plain"), L"plain");
  EXPECT_EQ(display(std::wstring(1000, L'\0')), L"<M_NULL>");

  EXPECT_EQ(FilterCRLF(L"a\r\nb\rc\nd\r\r\n\n", true), L"a<CRLF>b<CR>c<LF>d<CR><CRLF><LF>");
  EXPECT_EQ(FilterCRLF(L"a<CRLF>b<CR>c<LF>d<cr>", false), L"a\r\nb\rc\nd<cr>");
  EXPECT_EQ(FilterCRLF(L"", true), L"");
  const std::wstring mixed = L"\n\rx\r\n\r\r<y>\n\n";
  EXPECT_EQ(FilterCRLF(FilterCRLF(mixed, true), false), mixed);
}

TEST(StringsCount, NonOverlappingOccurrences) {
  EXPECT_EQ(GetWordCount(L"aaaa", L"aa", cmBinary), 2);
  EXPECT_EQ(GetWordCount(L"aaa", L"aa", cmBinary), 1);
  EXPECT_EQ(GetWordCount(L"The the THE", L"the", cmBinary), 1);
  EXPECT_EQ(GetWordCount(L"The the THE", L"the", cmText), 3);
  EXPECT_EQ(GetWordCount(L"", L"a", cmText), 0);
  EXPECT_EQ(GetWordCount(L"abc", L"", cmText), 0);
  EXPECT_EQ(GetWordCount(std::wstring(100001, L'x'), L"xx", cmText), 50000);
}

TEST(StringsFileNames, Pieces) {
  EXPECT_EQ(StripPath(L"C:\\dir\\file.txt"), L"file.txt");
  EXPECT_EQ(StripPath(L"C:\\dir\\"), L"dir");
  EXPECT_EQ(StripPath(L"C:\\dir\\  spaced.txt"), L"spaced.txt");
  EXPECT_EQ(StripPath(L"file.txt"), L"file.txt");
  EXPECT_EQ(StripPath(L"dir\\"), L"dir");
  EXPECT_EQ(StripFileExtension(L"a.b.txt"), L"a.b");
  EXPECT_EQ(StripFileExtension(L"noext"), L"noext");
  EXPECT_EQ(StripFileExtension(L".cfg"), L"");
  EXPECT_EQ(GetFilePath(L"C:\\dir\\file.txt"), L"C:\\dir");
  EXPECT_EQ(GetFilePath(L"C:\\dir\\sub\\"), L"C:\\dir");
  EXPECT_EQ(GetFilePath(L"C:\\dir  \\file"), L"C:\\dir");
  EXPECT_EQ(GetFilePath(L"dir/sub/file"), L"dir/sub");
  EXPECT_EQ(GetFilePath(L"dir/sub/"), L"dir");
  EXPECT_EQ(GetFilePath(L"a/b\\c"), L"a/b");  // a backslash wins over "/"
  EXPECT_EQ(GetFilePath(L"file"), L"file");
  EXPECT_EQ(GetFilePathOnly(L"C:\\dir\\file.txt"), L"C:\\dir");
  EXPECT_EQ(GetFilePathOnly(L"C:\\dir\\"), L"C:\\dir");
  EXPECT_EQ(GetFilePathOnly(L"dir/file"), L"dir/file");

  std::wstring d = L"C:\\dir\\\\";
  StripTrailingBackslash(d);
  EXPECT_EQ(d, L"C:\\dir\\");
  d = L"";
  StripTrailingBackslash(d);
  EXPECT_EQ(d, L"");
}

TEST_F(TracedStrings, StripDriveLooksAtTheFirstSevenCharacters) {
  std::wstring s = L"C:\\x";
  StripDrive(s);
  EXPECT_EQ(s, L"\\x");
  s = L"\"C:\\Program Files\\a.exe\"";
  StripDrive(s);
  EXPECT_EQ(s, L"\"\\Program Files\\a.exe\"");
  s = L"   D:\\y";
  StripDrive(s);
  EXPECT_EQ(s, L"\\y");
  s = L"abcdef:g";  // colon at the seventh character
  StripDrive(s);
  EXPECT_EQ(s, L"g");
  s = L"abcdefg:h";  // colon at the eighth: nothing changes
  StripDrive(s);
  EXPECT_EQ(s, L"abcdefg:h");
  s = L"\\\\srv\\share";
  StripDrive(s);
  EXPECT_EQ(s, L"\\\\srv\\share");
  EXPECT_EQ(App_Debug::ProcObject(App_Debug::ProcCount())->Vars_Passed_ByRef(),
            L"sFileString.String=\\\\srv\\share");
}

TEST(StringsDates, NonNumericPartsGo) {
  std::wstring s = L"01/02/2021 3:04 PM";
  // Every digit stays: only separators and the letters of "AM", "PM", "h" and "s" go.
  EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, L""), L"01022021304");
  EXPECT_EQ(s, L"01022021304");
  s = L"3:04 pM";
  EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, L""), L"304");
  s = L"2021-02-01 03:04:05.5 am";
  EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, L"_"), L"2021_02_01_03_04_05_5___");
  s = L"10h30s\\x";
  EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, L""), L"1030x");
  s = L"";
  EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, L"-"), L"");
}

TEST(StringsClasses, WideAndUnicode) {
  EXPECT_FALSE(UseWideAPI(L"abc"));
  EXPECT_FALSE(UseWideAPI(L""));
  EXPECT_FALSE(UseWideAPI(L" ~"));  // 32 and 126 are the bounds
  EXPECT_TRUE(UseWideAPI(L"a\tb"));
  EXPECT_TRUE(UseWideAPI(L"caf\u00E9"));
  EXPECT_TRUE(UseWideAPI(L"\x7F"));
  EXPECT_FALSE(UseWideAPI(L"\u0141"));  // low byte 0x41: only the low byte counts
  EXPECT_TRUE(UseWideAPI(L"\u0100"));
  EXPECT_FALSE(HasUnicodeCharacters(L"caf\u00E9\u00FF"));
  EXPECT_TRUE(HasUnicodeCharacters(L"a\u0100"));
  EXPECT_FALSE(HasUnicodeCharacters(L""));
}
