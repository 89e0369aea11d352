// The browser window: the program's only window, a web view under a
// one-line toolbar, with the "Networking" menu.
#pragma once

#include <windows.h>

#include <string_view>

namespace BrowserUI {

// Shows the browser window through ShowForm (normal state, modeless,
// focused, taskbar button, no wait), creating it on first use. False when no
// window may be shown (a service start) or it could not be created.
bool Show();

// Navigates the web view; a non-empty URL also becomes the address box's
// text and a history item (no duplicates). An empty URL takes the typed text.
void NavigateToURL(std::wstring_view sURL);

// Builds the search URL for the terms (empty: the typed text) and navigates.
void SearchWeb(std::wstring_view sSearchTerms);

// What the message loop does with a message before dispatching it: the
// browser keys and mouse buttons of the window (wherever the focus is), the
// page's own keys, Tab and Enter between the controls. True when the message
// was used and must not be dispatched.
bool PreTranslateMessage(MSG& msg);

// Runs the window's message loop until no window of the program is left.
void RunMessageLoop();

}  // namespace BrowserUI
