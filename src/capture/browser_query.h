#pragma once

// Where the fallback finds the page title of a matched window: the shell's
// list of browser windows, then the browsers asked over DDE.

#include "platform/dde_client.h"
#include "platform/shell_windows.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kiebitz::capture {

// The browsers asked for their current page, in this order; Chromium last,
// as the classic four did not include it.
inline const QStringList kDdeBrowsers = {QStringLiteral("Firefox"), QStringLiteral("Netscape"),
                                         QStringLiteral("Netscape6"), QStringLiteral("Opera"),
                                         QStringLiteral("Chromium")};
inline const QString kDdeTopic = QStringLiteral("WWW_GetWindowInfo");
inline const QString kDdeItem = QStringLiteral("-1");  // the browser's last active window
// Longer replies count as a failed query.
constexpr qsizetype kMaxDdeReply = 32767;

// Field 2 of a browser's window-info reply: quoted fields separated by
// commas; a comma inside quotes and characters outside quotes are dropped,
// each kept character passes through the single-byte code page.
QString ddeReplyPageTitle(const QString& reply);

// The title of `browser`'s current page; empty when it does not answer or
// the answer cannot be read.
QString ask_Browser(platform::DdeClient& dde, const QString& browser);

// The page title of `matchedWindow` from the shell's browser list: the one
// page of that window, or among several the first that contains
// `cutWindowTitle`. Empty when the list cannot be read, holds no web page of
// that window or no page fits.
QString shellPageTitle(platform::ShellWindows& shell, const std::vector<platform::WindowEntry>& desktop,
                       platform::WindowId matchedWindow, const QString& cutWindowTitle);

// The first page of the browser list whose title looks like an item page
// (the direct scan's pattern): shown pages first, then the background tabs,
// each in list order. Empty when there is none.
QString itemPageOfList(platform::ShellWindows& shell, const std::vector<platform::WindowEntry>& desktop);

}  // namespace kiebitz::capture
