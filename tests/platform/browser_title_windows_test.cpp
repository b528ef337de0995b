#include "platform/linux/browser_title_windows.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kiebitz;

TEST(BrowserTitleWindows, OneWebPageEntryPerBrowserWindow)
{
    test::FakeWindowList list;
    list.entries = {{5, 0, "Terminal"}, {6, 0, "eBay: A - Chromium"}, {7, 0, "eBay: B - Mozilla Firefox"}};
    platform::BrowserTitleWindows shell;
    const auto entries = shell.browserWindows(list.entries);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].window, 6u);
    EXPECT_EQ((*entries)[0].documentTitle, "eBay: A");
    EXPECT_EQ((*entries)[1].window, 7u);
    EXPECT_TRUE((*entries)[1].locationUrl.startsWith("http"));
}
