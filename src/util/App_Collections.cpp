#include "util/App_Collections.h"

#include "diag/App_Debug.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

bool App_Collection::Add(std::wstring sItem, std::wstring_view sKey) {
  if (!sKey.empty()) {
    auto [it, inserted] = keys_.emplace(App_Strings::LCase(sKey), items_.size());
    if (!inserted) return false;
  }
  items_.push_back(std::move(sItem));
  return true;
}

const std::wstring* App_Collection::Find(std::wstring_view sKey) const {
  auto it = keys_.find(App_Strings::LCase(sKey));
  return it == keys_.end() ? nullptr : &items_[it->second];
}

const std::wstring* App_Collection::At(int32_t lPosition) const {
  if (lPosition < 1 || lPosition > Count()) return nullptr;
  return &items_[static_cast<size_t>(lPosition) - 1];
}

void App_Collection::Clear() {
  items_.clear();
  keys_.clear();
}

namespace App_Collections {

bool CollectionHasItem(const App_Collection* c, std::wstring_view sKey) {
  try {
    if (!c || c->Empty()) return false;
    if (sKey.empty()) {
      App_Debug::dLog(-1, L"Aborting; passed empty collection key! (string = empty)", evNormal,
                      pVar(L"Source", L"App_Collections.CollectionHasItem"));
      return false;
    }
    const std::wstring* item = c->Find(sKey);
    return item && !item->empty();
  } catch (...) {
    return false;
  }
}

bool CollectionHasItem(const App_Collection* c, int32_t lPosition) {
  if (!c || c->Empty()) return false;
  const std::wstring* item = c->At(lPosition);
  return item && !item->empty();
}

bool CollectionHasString(const App_Collection* c, std::optional<std::wstring_view> sKey, std::wstring& sText,
                         bool bCaseSensitive) {
  try {
    if (!c || c->Empty()) return false;
    if (sKey && !sKey->empty()) {
      const std::wstring* item = c->Find(*sKey);
      if (!item || item->empty()) return false;
      if (sText.empty()) {
        sText = *item;
        return true;
      }
      return App_Strings::StringMatch(*item, sText, bCaseSensitive);
    }
    if (sText.empty()) return false;
    for (const std::wstring& item : c->Items())
      if (App_Strings::StringMatch(item, sText, bCaseSensitive)) return true;
    return false;
  } catch (...) {
    return false;
  }
}

void CollectionAddString(std::optional<App_Collection>& c, std::wstring_view sItem,
                         std::optional<std::wstring_view> vKey) {
  try {
    const std::wstring key = vKey ? std::wstring(*vKey) : std::wstring();
    if (!c) c.emplace();
    if (!c->Empty()) {
      std::wstring probe;
      if (!key.empty()) {
        if (CollectionHasString(&*c, key, probe, false)) return;
      } else {
        probe = sItem;
        if (CollectionHasString(&*c, std::nullopt, probe, false)) return;
      }
    }
    c->Add(std::wstring(sItem), key);
  } catch (...) {
  }
}

}  // namespace App_Collections
