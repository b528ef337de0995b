// The browser's own name at the end of a window title.

#include "core/browser_names.h"

#include <gtest/gtest.h>

using namespace kiebitz;

TEST(BrowserNames, PageTitleWithoutTheBrowsersName)
{
    struct Row {
        QString window;
        std::optional<QString> page;
    } rows[] = {
        {"eBay: Canon (Artikel 1) - Mozilla Firefox", "eBay: Canon (Artikel 1)"},
        {"eBay: Canon \u2014 Mozilla Firefox", "eBay: Canon"},
        {"Seite - Firefox - Mozilla Firefox", "Seite - Firefox"},
        {"Seite - Chromium", "Seite"},
        {"Seite - Google Chrome", "Seite"},
        {"Seite \u2013 Opera", "Seite"},
        {" - Mozilla Firefox", ""},
        {"Mozilla Firefox", std::nullopt},
        {"Seite - mozilla firefox", std::nullopt},  // not the browser's own spelling
        {"Seite - Mozilla Firefox ", std::nullopt},
        {"Texteditor", std::nullopt},
        {"", std::nullopt},
        {"- Chromium", std::nullopt},
        {"A \u2014 Chromium - Firefox", "A \u2014 Chromium"},
        {QString(70000, u'x') + " - Vivaldi", QString(70000, u'x')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.window.toStdString());
        EXPECT_EQ(core::withoutBrowserName(row.window), row.page);
    }
}
