// Keyed collections of text (module App_Collections): an ordered list of
// items, each optionally stored under a key that is unique ignoring case.
// A missing key is simply not found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class App_Collection {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // Appends; false (nothing added) when the key is already used.
  bool Add(std::wstring sItem, std::wstring_view sKey = {});
  // The item under a key, or by 1-based position.
  const std::wstring* Find(std::wstring_view sKey) const;
  const std::wstring* At(int32_t lPosition) const;
  const std::vector<std::wstring>& Items() const { return items_; }
  void Clear();

 private:
  std::vector<std::wstring> items_;
  std::unordered_map<std::wstring, size_t> keys_;  // folded key -> index
};

namespace App_Collections {

// True when an item exists under the key (text) or at the position
// (number) and its text is not empty.
bool CollectionHasItem(const App_Collection* pCollection, std::wstring_view sKey);
bool CollectionHasItem(const App_Collection* pCollection, int32_t lPosition);
// With a key: the item under it matches sText (an empty sText receives the
// item). Without a key: some item matches sText.
bool CollectionHasString(const App_Collection* pCollection, std::optional<std::wstring_view> sKey,
                         std::wstring& sText, bool bCaseSensitive);
// Appends sItem unless the key already holds a text, or (without a key) an
// equal item is already there. Creates the collection when it is missing.
void CollectionAddString(std::optional<App_Collection>& oCollection, std::wstring_view sItem,
                         std::optional<std::wstring_view> vKey = std::nullopt);

}  // namespace App_Collections
