// Text helpers: folding, searching, cutting, trimming, markers, file-name
// pieces and the call records of the traced helpers. Each routine's cases
// are a table; the checks of a table run once per row.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "diag/App_Debug.h"
#include "lumo_test.h"
#include "util/App_Strings.h"

using namespace App_Strings;
using namespace std::string_literals;

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
  // clang-format off
  const struct { wchar_t in, want; } lower[] = {
      {L'A', L'a'}, {L'Z', L'z'}, {L'@', L'@'}, {L'[', L'['}, {0xC0, 0xE0}, {0xDE, 0xFE},
      {0xD7, 0xD7}, {0xDF, 0xDF},  // multiplication sign, sharp s
      {0x100, 0x101}, {0x101, 0x101},
      {0x139, 0x13A}, {0x148, 0x148},  // odd capitals between 0x139 and 0x148
      {0x14A, 0x14B}, {0x160, 0x161}, {0x178, 0xFF}, {0x17D, 0x17E}, {0x391, 0x3B1}, {0x3A9, 0x3C9},
      {0x3AA, 0x3AA}, {0x400, 0x450}, {0x40F, 0x45F}, {0x410, 0x430}, {0x42F, 0x44F}, {0x430, 0x430}};
  // clang-format on
  LumoEachCase(lower, [](const auto& c) { EXPECT_EQ(LowerChar(c.in), c.want); });

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
  // clang-format off
  const struct { const wchar_t *in, *find; int32_t mode; size_t start, want; } inStr[] = {
      {L"abcabc", L"c", cmBinary, 1, 3}, {L"abcabc", L"c", cmBinary, 4, 6},
      {L"abcabc", L"c", cmBinary, 6, 6},  // the start itself counts
      {L"abcabc", L"c", cmBinary, 7, 0},
      {L"abc", L"a", cmBinary, 0, 1},  // 0 is read as 1
      {L"abc", L"B", cmBinary, 1, 0}, {L"abc", L"B", cmText, 1, 2}, {L"abc", L"", cmBinary, 1, 0},
      {L"", L"a", cmBinary, 1, 0}, {L"ab", L"abc", cmBinary, 1, 0}};
  const struct { const wchar_t *in, *find; int32_t mode; size_t want; } inStrRev[] = {
      {L"a\\b\\c", L"\\", cmBinary, 4}, {L"xAx", L"a", cmBinary, 0}, {L"xAxa", L"A", cmText, 4},
      {L"abc", L"abc", cmBinary, 1}, {L"abc", L"", cmBinary, 0}};
  // Every other replacement left to right, never rescanning what was put in.
  const struct { const wchar_t *in, *find, *with; int32_t mode; const wchar_t* want; } replace[] = {
      {L"aaa", L"aa", L"a", cmBinary, L"aa"}, {L"a.a", L"a", L"aa", cmBinary, L"aa.aa"},
      {L"xAbyaB", L"ab", L"-", cmText, L"x-y-"}, {L"xAbyaB", L"ab", L"-", cmBinary, L"xAbyaB"},
      {L"abc", L"", L"-", cmBinary, L"abc"}, {L"abc", L"abc", L"", cmBinary, L""}};
  // clang-format on
  LumoEachCase(inStr, [](const auto& c) { EXPECT_EQ(InStr(c.in, c.find, c.mode, c.start), c.want); });
  LumoEachCase(inStrRev, [](const auto& c) { EXPECT_EQ(InStrRev(c.in, c.find, c.mode), c.want); });
  LumoEachCase(replace, [](const auto& c) { EXPECT_EQ(Replace(c.in, c.find, c.with, c.mode), c.want); });
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
    const std::wstring pat = round % 3 == 0 ? hay.substr(rng() % 50, 1 + rng() % 6) : pick(1 + rng() % 4);
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
  // clang-format off
  const struct { const wchar_t *in, *other; bool exact, want; } match[] = {
      {L" ", L"", false, true}, {L"abc", L"ABC", false, true}, {L"abc", L"ABC", true, false},
      {L"ab", L"abc", false, false}, {L"  abc ", L"abc", true, true}, {L"\tabc", L"abc", false, false}};
  struct Edge { const wchar_t *in, *part; bool exact, trim, want; };
  const Edge starts[] = {
      {L"C:\\Tools\\x.exe", L"c:\\tools", false, false, true},
      {L"C:\\Tools\\x.exe", L"c:\\tools", true, false, false},
      {L"anything", L"", false, false, true}, {L"", L"", true, false, true},
      {L"  abc", L"ab", false, false, false}, {L"  abc", L" ab ", false, true, true},
      {L"abc", L"   ", false, true, true},  // trims to an empty start
      {L"ab", L"abc", false, false, false}};
  const Edge ends[] = {
      {L"C:\\x.EXE", L".exe", false, false, true}, {L"C:\\x.EXE", L".exe", true, false, false},
      {L"x.exe  ", L"exe", false, false, false}, {L"x.exe  ", L"exe", false, true, true},
      {L"x", L"", false, false, true}};
  // clang-format on
  LumoEachCase(match, [](const auto& c) { EXPECT_EQ(StringMatch(c.in, c.other, c.exact), c.want); });
  LumoEachCase(starts,
               [](const Edge& c) { EXPECT_EQ(StringStartsWith(c.in, c.part, c.exact, c.trim), c.want); });
  LumoEachCase(ends, [](const Edge& c) { EXPECT_EQ(StringEndsWith(c.in, c.part, c.exact, c.trim), c.want); });

  EXPECT_TRUE(HasMultipleCharacters(L"a" + kNulStr + L"b" + kNulStr, L'\0'));
  EXPECT_FALSE(HasMultipleCharacters(L"a" + kNulStr + L"b", L'\0'));
  EXPECT_FALSE(HasMultipleCharacters(L"ab", L'\0'));
}

TEST_F(TracedStrings, SplitAtFirstOrLastDelimiter) {
  // Both parts start as "keep1" and "keep2": a delimiter not found leaves them.
  // clang-format off
  const struct { const wchar_t *in, *delim; bool first, trim; const wchar_t *pre, *suf; } cases[] = {
      {L"1.2.3", L".", true, true, L"1", L"2.3"}, {L"1.2.3", L".", false, true, L"1.2", L"3"},
      {L"123", L".", true, true, L"keep1", L"keep2"},
      {L" a  AND b ", L"and", true, true, L"a", L"b"},  // text mode, then trimmed
      {L" a = b ", L"=", true, false, L" a ", L" b "}, {L"key=", L"=", true, true, L"key", L""}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) {
    std::wstring pre = L"keep1", suf = L"keep2";
    SplitString(c.in, c.delim, pre, suf, c.first, c.trim);
    EXPECT_EQ(pre, c.pre);
    EXPECT_EQ(suf, c.suf);
  });
}

TEST_F(TracedStrings, StripStringSelectors) {
  // The traced routine and its untraced twin give the same answers.
  // clang-format off
  const struct { const wchar_t *in, *delim; int32_t sel; bool inc, trim; int32_t pos; const wchar_t* want; }
  cases[] = {
      {L"a\\b\\c", L"\\", srAfterFirst, false, false, 2, L"b\\c"},
      {L"a\\b\\c", L"\\", srAfterLast, false, false, 4, L"c"},
      {L"a\\b\\c", L"\\", srBeforeFirst, false, false, 2, L"a"},
      {L"a\\b\\c", L"\\", srBeforeLast, false, false, 4, L"a\\b"},
      {L"a\\b\\c", L"\\", srAfterFirst, true, false, 2, L"\\b\\c"},
      {L"a\\b\\c", L"\\", srAfterLast, true, false, 4, L"\\c"},
      {L"a\\b\\c", L"\\", srBeforeFirst, true, false, 2, L"a\\"},
      {L"a\\b\\c", L"\\", srBeforeLast, true, false, 4, L"a\\b\\"},
      // A delimiter several characters long, found in text mode.
      {L"one AND two and three", L"and", srAfterLast, false, false, 13, L" three"},
      {L"one AND two and three", L"and", srAfterFirst, false, true, 5, L"two and three"},
      {L"one AND two and three", L"and", srBeforeFirst, false, true, 5, L"one"},
      {L"one AND two and three", L"AND", srBeforeLast, true, true, 13, L"one AND two and"},
      // Not found, an unknown selector, or an empty delimiter: unchanged, result 0.
      {L"a\\b", L"/", srAfterFirst, false, false, 0, L"a\\b"}, {L"a\\b", L"\\", 4, false, false, 0, L"a\\b"},
      {L"a\\b", L"\\", -1, false, false, 0, L"a\\b"}, {L"a\\b", L"", srAfterFirst, false, false, 0, L"a\\b"}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) {
    std::wstring s = c.in, ns = c.in;
    EXPECT_EQ(StripString(s, c.delim, c.sel, c.inc, c.trim), c.pos);
    EXPECT_EQ(s, c.want);
    EXPECT_EQ(StripStringNS(ns, c.delim, c.sel, c.inc, c.trim), c.pos);
    EXPECT_EQ(ns, c.want);
  });
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
  const std::wstring nested = std::wstring(50000, L'a') + std::wstring(50000, L'B');
  // clang-format off
  const struct { const wchar_t *in, *find; bool first, trimLeft, trimRight; const wchar_t* want; } ends[] = {
      {L"", L"x", true, true, true, L""}, {L"a b # c # d", L"#", true, false, true, L"a b"},
      {L"a b # c # d", L"#", false, false, false, L"a b # c "},
      {L" ab ", L"#", true, true, false, L"ab "},   // not found, trimmed
      {L"aXbx", L"x", true, false, false, L"aXb"}};  // binary
  const struct { const wchar_t* in; wchar_t find; bool first, trimLeft, trimRight; const wchar_t* want; }
  starts[] = {
      {L"k = v = w", L'=', true, true, false, L"v = w"}, {L"k = v = w", L'=', false, false, false, L" w"},
      {L" kv ", L'=', true, false, true, L" kv"}, {L"kv=", L'=', true, false, false, L""}};
  const struct { std::wstring in; const wchar_t *remove, *want; } strip[] = {
      {L"a<br>b<BR>c", L"<br>", L"abc"},
      {L"aabb", L"ab", L""},  // the join of a cut is cut as well
      {L"xaAbBy", L"ab", L"xy"},
      {L"ababa", L"aba", L"ba"},  // leftmost occurrence first
      {L"abc", L"abcd", L"abc"}, {L"<" + nested + L">", L"ab", L"<>"}};
  // clang-format on
  LumoEachCase(ends, [](const auto& c) {
    EXPECT_EQ(StripEndOfString(c.in, c.find, c.first, c.trimLeft, c.trimRight), c.want);
  });
  LumoEachCase(starts, [](const auto& c) {
    EXPECT_EQ(StripBeginningOfString(c.in, c.find, c.first, c.trimLeft, c.trimRight), c.want);
  });
  LumoEachCase(strip, [](const auto& c) { EXPECT_EQ(Strip(c.in, c.remove), c.want); });
}

TEST(StringsTrim, LeadingAndTrailingRuns) {
  // Each routine cuts the text it is given and returns it; the count of the
  // characters cut is added to the count passed in.
  // clang-format off
  const struct { bool leading; const wchar_t *in, *chars, *want; } runs[] = {
      {false, L"xx\\\\", L"\\", L"xx"}, {true, L"abababX", L"ab", L"X"}, {true, L"aba", L"ab", L"a"},
      {true, L"ABx", L"ab", L"ABx"},  // binary
      {false, L"  x  ", L" ", L"  x"}, {true, L"  x", L" ", L"x"}, {false, L"----", L"--", L""}};
  const struct {
    bool left; const wchar_t *in, *trim; int32_t max; bool exact; int32_t countBefore; const wchar_t* want;
    int32_t countAfter;
  } trims[] = {
      {false, L"C:\\dir\\\\\\", L"\\", -1, false, 0, L"C:\\dir", 3},
      {true, L"\\\\\\x", L"\\", 2, false, 0, L"\\x", 2},
      {true, L"\\x", L"\\", 0, false, 2, L"x", 3},  // a maximum of 0 cuts once at most
      {true, L"WWwx", L"w", -1, false, 0, L"x", 3}, {true, L"WWwx", L"w", -1, true, 0, L"WWwx", 0},
      {false, L"aaaa", L"a", -1, true, 0, L"", 4}, {true, L"", L"a", -1, true, 4, L"", 4},
      {false, L"abc", L"", -1, true, 4, L"abc", 4},
      {false, L"   ", L" ", -1, true, 0, L"", 3}};  // a space trim text must not loop on the emptied text
  // clang-format on
  LumoEachCase(runs, [](const auto& c) {
    std::wstring s = c.in;
    EXPECT_EQ(c.leading ? StripLeadingCharacters(s, c.chars) : StripTrailingCharacters(s, c.chars), c.want);
    EXPECT_EQ(s, c.want);
  });
  LumoEachCase(trims, [](const auto& c) {
    std::wstring s = c.in;
    int32_t count = c.countBefore;
    EXPECT_EQ(
        c.left ? TrimLeft(s, c.trim, c.max, count, c.exact) : TrimRight(s, c.trim, c.max, count, c.exact),
        c.want);
    EXPECT_EQ(s, c.want);
    EXPECT_EQ(count, c.countAfter);
  });
}

TEST(StringsTrim, WrappingCharacters) {
  // clang-format off
  const struct {
    const wchar_t *in, *wrap; bool repeat, bothEnds, keepWhenEqual; int32_t cut; const wchar_t* want;
  } strip[] = {
      {L"\"C:\\x y\"", L"\"", false, true, false, 1, L"C:\\x y"},
      {L"\"abc", L"\"", false, false, false, 1, L"abc"},
      {L"\"abc", L"\"", false, true, false, 0, L"\"abc"}, {L"''x''", L"'", false, true, false, 1, L"'x'"},
      {L"''x''", L"'", true, true, false, 2, L"x"}, {L"''x'", L"'", true, false, false, 3, L"x"},
      {L"<<x>", L"", true, false, false, 0, L"<<x>"},
      {L"\"", L"\"", true, true, true, 0, L"\""},  // kept when equal
      {L"\"", L"\"", true, true, false, 1, L""},
      {L"XYaXy", L"xy", false, true, false, 1, L"a"}};  // ends compared in text mode
  const struct { const wchar_t* in; bool leaveEmpty; const wchar_t* want; } ensure[] = {
      {L"", false, L"\"\""}, {L"", true, L""}, {L"\"", false, L"\""}, {L"\"a", false, L"\"a\""},
      {L"a", false, L"\"a\""}};
  // clang-format on
  LumoEachCase(strip, [](const auto& c) {
    std::wstring s = c.in;
    EXPECT_EQ(StripWrappingChr(s, c.wrap, c.repeat, c.bothEnds, c.keepWhenEqual), c.cut);
    EXPECT_EQ(s, c.want);
  });
  LumoEachCase(ensure, [](const auto& c) {
    std::wstring s = c.in;
    EnsureWrappingChr(s, L'"', c.leaveEmpty);
    EXPECT_EQ(s, c.want);
  });
}

TEST(StringsMarkers, NulsAndLineBreaks) {
  // clang-format off
  const struct { std::wstring in; bool trim; const wchar_t* want; } trimNull[] = {
      {L"abc\0def"s, false, L"abc"}, {L"\0x"s, true, L""}, {L" a \0 b"s, true, L"a"},
      {L" a ", true, L"a"},  // trimmed without a NUL too
      {L" a ", false, L" a "}};
  const struct { std::wstring in; const wchar_t* want; } display[] = {
      {L"a\0b"s, L"a<NULL>b"}, {L"a\0\0b"s, L"a<M_NULL>b"}, {L"a\0\0\0b"s, L"a<M_NULL><NULL>b"},
      {L"a\0\0\0\0b"s, L"a<M_NULL>b"}, {L"a\0\0\0\0\0b"s, L"a<M_NULL><NULL>b"},
      {L"\0x\0\0y\0"s, L"<NULL>x<M_NULL>y<NULL>"}, {L"plain", L"plain"},
      {std::wstring(1000, L'\0'), L"<M_NULL>"}};
  // clang-format on
  LumoEachCase(trimNull, [](const auto& c) {
    std::wstring s = c.in;
    EXPECT_EQ(TrimNull(s, c.trim), c.want);
    EXPECT_EQ(s, c.want);
  });
  LumoEachCase(display, [](const auto& c) {
    std::wstring s = c.in;
    ReplaceNullsForDisplay(s);
    EXPECT_EQ(s, c.want);
  });

  EXPECT_EQ(FilterCRLF(L"a\r\nb\rc\nd\r\r\n\n", true), L"a<CRLF>b<CR>c<LF>d<CR><CRLF><LF>");
  EXPECT_EQ(FilterCRLF(L"a<CRLF>b<CR>c<LF>d<cr>", false), L"a\r\nb\rc\nd<cr>");
  EXPECT_EQ(FilterCRLF(L"", true), L"");
  const std::wstring mixed = L"\n\rx\r\n\r\r<y>\n\n";
  EXPECT_EQ(FilterCRLF(FilterCRLF(mixed, true), false), mixed);
}

TEST(StringsCount, NonOverlappingOccurrences) {
  // clang-format off
  const struct { std::wstring in; const wchar_t* word; int32_t mode, want; } cases[] = {
      {L"aaaa", L"aa", cmBinary, 2}, {L"aaa", L"aa", cmBinary, 1}, {L"The the THE", L"the", cmBinary, 1},
      {L"The the THE", L"the", cmText, 3}, {L"", L"a", cmText, 0}, {L"abc", L"", cmText, 0},
      {std::wstring(100001, L'x'), L"xx", cmText, 50000}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) { EXPECT_EQ(GetWordCount(c.in, c.word, c.mode), c.want); });
}

TEST(StringsFileNames, Pieces) {
  // clang-format off
  const struct { std::wstring (*piece)(std::wstring_view); const wchar_t *in, *want; } cases[] = {
      {StripPath, L"C:\\dir\\file.txt", L"file.txt"}, {StripPath, L"C:\\dir\\", L"dir"},
      {StripPath, L"C:\\dir\\  spaced.txt", L"spaced.txt"}, {StripPath, L"file.txt", L"file.txt"},
      {StripPath, L"dir\\", L"dir"},
      {StripFileExtension, L"a.b.txt", L"a.b"}, {StripFileExtension, L"noext", L"noext"},
      {StripFileExtension, L".cfg", L""},
      {GetFilePath, L"C:\\dir\\file.txt", L"C:\\dir"}, {GetFilePath, L"C:\\dir\\sub\\", L"C:\\dir"},
      {GetFilePath, L"C:\\dir  \\file", L"C:\\dir"}, {GetFilePath, L"dir/sub/file", L"dir/sub"},
      {GetFilePath, L"dir/sub/", L"dir"}, {GetFilePath, L"a/b\\c", L"a/b"},  // a backslash wins over "/"
      {GetFilePath, L"file", L"file"},
      {GetFilePathOnly, L"C:\\dir\\file.txt", L"C:\\dir"}, {GetFilePathOnly, L"C:\\dir\\", L"C:\\dir"},
      {GetFilePathOnly, L"dir/file", L"dir/file"}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) { EXPECT_EQ(c.piece(c.in), c.want); });

  std::wstring d = L"C:\\dir\\\\";
  StripTrailingBackslash(d);
  EXPECT_EQ(d, L"C:\\dir\\");
  d = L"";
  StripTrailingBackslash(d);
  EXPECT_EQ(d, L"");
}

TEST_F(TracedStrings, StripDriveLooksAtTheFirstSevenCharacters) {
  // clang-format off
  const struct { const wchar_t *in, *want; } cases[] = {
      {L"C:\\x", L"\\x"}, {L"\"C:\\Program Files\\a.exe\"", L"\"\\Program Files\\a.exe\""},
      {L"   D:\\y", L"\\y"},
      {L"abcdef:g", L"g"},           // colon at the seventh character
      {L"abcdefg:h", L"abcdefg:h"},  // colon at the eighth: nothing changes
      {L"\\\\srv\\share", L"\\\\srv\\share"}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) {
    std::wstring s = c.in;
    StripDrive(s);
    EXPECT_EQ(s, c.want);
  });
  EXPECT_EQ(LumoLastCall(L"App_Strings.StripDrive")->Vars_Passed_ByRef(),
            L"sFileString.String=\\\\srv\\share");
}

TEST(StringsDates, NonNumericPartsGo) {
  // Every digit stays: only separators and the letters of "AM", "PM", "h" and "s" go.
  // clang-format off
  const struct { const wchar_t *in, *replacement, *want; } cases[] = {
      {L"01/02/2021 3:04 PM", L"", L"01022021304"}, {L"3:04 pM", L"", L"304"},
      {L"2021-02-01 03:04:05.5 am", L"_", L"2021_02_01_03_04_05_5___"}, {L"10h30s\\x", L"", L"1030x"},
      {L"", L"-", L""}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) {
    std::wstring s = c.in;
    EXPECT_EQ(StripNonNumericValuesFromTimeDateString(s, c.replacement), c.want);
    EXPECT_EQ(s, c.want);
  });
}

TEST(StringsClasses, WideAndUnicode) {
  // clang-format off
  const struct { bool (*test)(std::wstring_view); const wchar_t* in; bool want; } cases[] = {
      {UseWideAPI, L"abc", false}, {UseWideAPI, L"", false},
      {UseWideAPI, L" ~", false},  // 32 and 126 are the bounds
      {UseWideAPI, L"a\tb", true}, {UseWideAPI, L"caf\u00E9", true}, {UseWideAPI, L"\x7F", true},
      {UseWideAPI, L"\u0141", false},  // low byte 0x41: only the low byte counts
      {UseWideAPI, L"\u0100", true},
      {HasUnicodeCharacters, L"caf\u00E9\u00FF", false}, {HasUnicodeCharacters, L"a\u0100", true},
      {HasUnicodeCharacters, L"", false}};
  // clang-format on
  LumoEachCase(cases, [](const auto& c) { EXPECT_EQ(c.test(c.in), c.want); });
}
