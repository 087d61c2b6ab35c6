#pragma once
// The scan page's context menu on the result list (right click, Shift+F10, the menu key):
// "Ignore this entry" and "Ignore this key and everything below it" for the selected rows.
// The entries go into the stored ignore list and every row it now takes in leaves the list.
#include <windows.h>

#include <functional>
#include <vector>

#include "cleaning/Cleaning.h"
#include "settings/SettingsStore.h"
#include "ui/Window.h"

namespace zt {

enum class IgnoreChoice { None, Entry, Tree };

// Stands in for the user at the menu (tests): gets whether the items are available, returns
// the choice. Without one the real menu is shown. Returns the one it replaces.
using IgnoreMenuAnswerer = std::function<IgnoreChoice(bool enabled)>;
IgnoreMenuAnswerer SetIgnoreMenuAnswerer(IgnoreMenuAnswerer answerer);

// Adds the entries of the rows at `selected` (or their keys with everything below them) to the
// stored list, then removes every row the list takes in. The number of rows removed; 0 and a
// message when the list could not be stored.
int IgnoreRows(HWND owner, const SettingsStore& settings, FindingList& rows,
               const std::vector<int>& selected, IgnoreChoice choice);

// WM_CONTEXTMENU of the list: `where` is the screen point, or -1 from the keyboard (the menu
// then opens at the focused row). `enabled` is false while a scan fills the list.
int RunIgnoreMenu(HWND owner, const CListView& list, FindingList& rows,
                  const SettingsStore& settings, LPARAM where, bool enabled);

} // namespace zt
