// String arrays, keyed collections, the Quill_String buffer and values filled
// on their first read.
#include <gtest/gtest.h>

#include "lumo_test.h"
#include "util/App_Arrays.h"
#include "util/App_Collections.h"
#include "util/App_Lazy.h"
#include "util/Quill_String.h"

using Arr = std::vector<std::wstring>;

TEST(QuillString, ReservesInStepsAndKeepsContent) {
  Quill_String q;
  q.Add(L"abc");
  EXPECT_EQ(q.lngAllocated, 1000);
  EXPECT_EQ(q.lngUsed, 3);
  q.Add(std::wstring(998, L'x'));
  EXPECT_EQ(q.lngUsed, 1001);
  EXPECT_EQ(q.lngAllocated, 2000);
  q.Add(L"");
  EXPECT_EQ(q.lngUsed, 1001);

  Quill_String big;
  big.Add(std::wstring(1000, L'y'));  // short by exactly one step: two steps
  EXPECT_EQ(big.lngAllocated, 2000);
  EXPECT_EQ(big.GetStr(), std::wstring(1000, L'y'));

  q.WipeString();
  EXPECT_EQ(q.lngAllocated, 0);
  EXPECT_EQ(q.lngUsed, 0);
  EXPECT_EQ(q.GetStr(), L"");
  q.AddLine(L"x");  // a wiped buffer starts lines afresh
  EXPECT_EQ(q.GetStr(), L"x");
}

TEST(QuillString, LinesAndNewLines) {
  Quill_String a;
  a.AddLine(L"a");
  a.AddLine(L"");
  a.AddLine(L"b");
  EXPECT_EQ(a.GetStr(), L"a\r\n\r\nb");

  Quill_String b;
  b.AddLine(L"");
  b.AddLine(L"x");
  EXPECT_EQ(b.GetStr(), L"\r\n\r\nx");

  Quill_String c;
  c.AddNewLine(L"");  // nothing on an empty buffer
  EXPECT_EQ(c.lngUsed, 0);
  c.AddNewLine(L"x");
  c.AddNewLine(L"y");
  c.AddNewLine(L"");
  EXPECT_EQ(c.GetStr(), L"x\r\ny\r\n");

  c.App_ClassSync_CleanUp();
  EXPECT_EQ(c.lngUsed, 0);
  EXPECT_EQ(c.GetStr(), L"");
  c.App_ClassSync_CleanUp();  // a second shut-down does nothing
}

TEST(QuillString, ManySmallAppendsStayLinear) {
  Quill_String q;
  for (int i = 0; i < 200000; ++i) q.Add(L"0123456789");
  EXPECT_EQ(q.lngUsed, 2000000);
  EXPECT_EQ(q.lngAllocated, 2000000);
  EXPECT_EQ(q.View().substr(1999990), L"0123456789");
}

TEST(StringArrays, TrimRemoveAndEmptiness) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  Arr a{L" a ", L"", L"b "};
  EXPECT_EQ(App_Arrays::TrimStringArray(a, true), 1);
  EXPECT_EQ(a, (Arr{L"a", L"b"}));
  Arr b{L" a ", L"", L"b "};
  EXPECT_EQ(App_Arrays::TrimStringArray(b, false), 0);
  EXPECT_EQ(b, (Arr{L"a", L"", L"b"}));
  Arr c{L" a ", L"  "};
  EXPECT_EQ(App_Arrays::StringArrayRemoveEmptyElements(c), 1);
  EXPECT_EQ(c, (Arr{L" a "}));
  Arr d{L" ", L"\t", L""};
  EXPECT_EQ(App_Arrays::StringArrayRemoveEmptyElements(d), 3);
  EXPECT_TRUE(d.empty());
  Arr none;
  EXPECT_EQ(App_Arrays::TrimStringArray(none, true), 0);

  EXPECT_TRUE(App_Arrays::IsStringArrayEmpty({}, false));
  EXPECT_TRUE(App_Arrays::IsStringArrayEmpty({L" ", L""}, true));
  EXPECT_FALSE(App_Arrays::IsStringArrayEmpty({L" ", L""}, false));
  int32_t n = -1, lb = -1, ub = -1;
  EXPECT_TRUE(App_Arrays::IsArrayEmpty(none, n, lb, ub));
  EXPECT_EQ(n, -1);
  EXPECT_FALSE(App_Arrays::IsArrayEmpty(Arr{L"x", L"y"}, n, lb, ub));
  EXPECT_EQ(n, 2);
  EXPECT_EQ(lb, 0);
  EXPECT_EQ(ub, 1);

  App_Arrays::ArrayAddString(L"first", none);
  EXPECT_EQ(none, (Arr{L"first"}));
  App_Arrays::ArrayAddString(L"second", none);
  EXPECT_EQ(none, (Arr{L"first", L"second"}));
}

TEST(StringArrays, DuplicatesKeepTheFirstInOrder) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  Arr a{L"a", L"B", L"b", L"A", L"c"};
  App_Arrays::RemoveDuplicatesFromStringArray(a, true);
  EXPECT_EQ(a, (Arr{L"a", L"B", L"c"}));
  Arr b{L"a", L"B", L"b", L"A", L"c"};
  App_Arrays::RemoveDuplicatesFromStringArray(b, false);
  EXPECT_EQ(b, (Arr{L"a", L"B", L"b", L"A", L"c"}));
  Arr c{L"x", L"x ", L"x"};  // blanks make elements differ
  App_Arrays::RemoveDuplicatesFromStringArray(c, true);
  EXPECT_EQ(c, (Arr{L"x", L"x "}));
  Arr blank{L" ", L" "};
  App_Arrays::RemoveDuplicatesFromStringArray(blank, true);  // all empty: unchanged
  EXPECT_EQ(blank.size(), 2u);
}

TEST(StringArrays, QuickSortByCodeAndIgnoringCase) {
  Arr a{L"b", L"A", L"a", L"C"};
  Array_TxtComp::QuickSortStringArray(a);
  EXPECT_TRUE((a[0] == L"A" && a[1] == L"a") || (a[0] == L"a" && a[1] == L"A"));
  EXPECT_EQ(a[2], L"b");
  EXPECT_EQ(a[3], L"C");
  Arr b{L"b", L"A", L"a", L"C"};
  Array_BinComp::QuickSortStringArrayB(b);
  EXPECT_EQ(b, (Arr{L"A", L"C", L"a", L"b"}));
  // A part of the array only.
  Arr c{L"d", L"c", L"b", L"a"};
  Array_BinComp::QuickSortStringArrayB(c, 1, 3);
  EXPECT_EQ(c, (Arr{L"d", L"a", L"b", L"c"}));
  // Large, already sorted and all-equal inputs.
  Arr big;
  for (int i = 0; i < 20000; ++i) big.push_back(std::to_wstring(100000 + (i * 7919) % 20000));
  Array_BinComp::QuickSortStringArrayB(big);
  EXPECT_TRUE(std::is_sorted(big.begin(), big.end()));
  Array_BinComp::QuickSortStringArrayB(big);
  EXPECT_TRUE(std::is_sorted(big.begin(), big.end()));
  Arr same(5000, L"z");
  Array_TxtComp::QuickSortStringArray(same);
  EXPECT_EQ(same.size(), 5000u);
  Arr empty;
  Array_TxtComp::QuickSortStringArray(empty);
}

TEST(Collections, AddWithoutDuplicatesAndLookups) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  std::optional<App_Collection> c;
  App_Collections::CollectionAddString(c, L"item ");
  ASSERT_TRUE(c.has_value());
  App_Collections::CollectionAddString(c, L"Item");  // equal ignoring case and blanks
  EXPECT_EQ(c->Count(), 1);
  App_Collections::CollectionAddString(c, L"value", L"Key1");
  App_Collections::CollectionAddString(c, L"other", L"KEY1");  // key in use: nothing added
  EXPECT_EQ(c->Count(), 2);
  ASSERT_NE(c->Find(L"key1"), nullptr);
  EXPECT_EQ(*c->Find(L"key1"), L"value");

  std::wstring text;
  EXPECT_TRUE(App_Collections::CollectionHasString(&*c, L"Key1", text, false));
  EXPECT_EQ(text, L"value");  // an empty text receives the item
  text = L"VALUE";
  EXPECT_TRUE(App_Collections::CollectionHasString(&*c, L"Key1", text, false));
  EXPECT_FALSE(App_Collections::CollectionHasString(&*c, L"Key1", text, true));
  text = L"missing";
  EXPECT_FALSE(App_Collections::CollectionHasString(&*c, L"nokey", text, false));
  text = L" ITEM ";
  EXPECT_TRUE(App_Collections::CollectionHasString(&*c, std::nullopt, text, false));
  text = L"";
  EXPECT_FALSE(App_Collections::CollectionHasString(&*c, std::nullopt, text, false));
  EXPECT_FALSE(App_Collections::CollectionHasString(nullptr, std::nullopt, text, false));

  EXPECT_TRUE(App_Collections::CollectionHasItem(&*c, L"KEY1"));
  EXPECT_FALSE(App_Collections::CollectionHasItem(&*c, L"nokey"));
  EXPECT_TRUE(App_Collections::CollectionHasItem(&*c, 1));
  EXPECT_FALSE(App_Collections::CollectionHasItem(&*c, 3));
  EXPECT_FALSE(App_Collections::CollectionHasItem(&*c, L""));
  EXPECT_NE(App_Debug::DebugLogPending().find(L"Aborting; passed empty collection key! (string = empty)"),
            std::wstring::npos);

  // A key holding an empty item counts as free, but stays taken.
  std::optional<App_Collection> d;
  App_Collections::CollectionAddString(d, L"", L"k");
  App_Collections::CollectionAddString(d, L"x", L"k");
  EXPECT_EQ(d->Count(), 1);
  EXPECT_FALSE(App_Collections::CollectionHasItem(&*d, L"k"));
}

TEST(LazyValues, FilledTogetherOnceOnTheFirstReadOfAny) {
  App_Lazy<std::wstring> name;
  App_Lazy<bool> flag;
  App_Lazy<int> kept;
  int runs = 0;
  App_LazyTogether(
      [&] {
        ++runs;
        name = L"filled";
        flag = true;
      },
      name, flag, kept);
  EXPECT_TRUE(name.Pending() && flag.Pending() && kept.Pending());
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(flag.Get());
  EXPECT_EQ(name.Get(), L"filled");
  EXPECT_EQ(kept.Get(), 0);  // one the routine does not assign keeps its default
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(name.Pending() || flag.Pending() || kept.Pending());
}
