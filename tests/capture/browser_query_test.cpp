#include "capture/browser_query.h"
#include "support/fake_browsers.h"

#include <gtest/gtest.h>

using namespace kiebitz;

TEST(DdeReply, SecondQuotedFieldIsThePageTitle)
{
    struct Row {
        QString reply;
        QString title;
    } rows[] = {
        {R"x("http://cgi.ebay.de/x","eBay: Canon (Artikel 1)","Firefox")x", "eBay: Canon (Artikel 1)"},
        {R"x("u","a, b","w")x", "a b"},              // a comma inside quotes vanishes
        {R"x("u","say ""hi""","w")x", "say hi"},     // so does a doubled quote
        {"\"u\" ,\r\n \"title\" , \"w\"", "title"},  // characters between the fields are dropped
        {R"x("only one field")x", ""},
        {R"x("u",,"w")x", ""},
        {R"x("u","t","w","x","y")x", "t"},
        {R"x(u,t,w)x", ""},  // unquoted text is not kept
        {QString(), ""},
        {QStringLiteral("\"u\",\"Stra\u00dfe \u20ac \u0416\"\""), QStringLiteral("Stra\u00dfe \u20ac ?")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply.toStdString());
        EXPECT_EQ(capture::ddeReplyPageTitle(row.reply), row.title);
    }
}

TEST(AskBrowser, TopicItemAndUnreadableAnswers)
{
    test::FakeDdeClient dde;
    dde.replies["Firefox"] = R"x("u","Page","w")x";
    dde.replies["Opera"] = QString(capture::kMaxDdeReply - 20, u'x') + R"x(,"Page","w")x";
    dde.replies["Netscape"] = QString(capture::kMaxDdeReply + 1, u'"');
    EXPECT_EQ(capture::ask_Browser(dde, "Firefox"), "Page");
    EXPECT_EQ(dde.topics.front(), "WWW_GetWindowInfo/-1");
    EXPECT_EQ(capture::ask_Browser(dde, "Opera"), "Page");
    EXPECT_EQ(capture::ask_Browser(dde, "Netscape"), "") << "a reply that is too long fails";
    EXPECT_EQ(capture::ask_Browser(dde, "Netscape6"), "") << "a browser that does not run";
}

TEST(ShellPageTitle, CandidatesOfTheMatchedWindow)
{
    using Entry = platform::ShellBrowserEntry;
    const QString cut = QStringLiteral("eBay: Canon");
    struct Row {
        const char* name;
        std::vector<Entry> entries;
        bool unavailable;
        QString title;
    } rows[] = {
        {"one page of the window",
         {{"http://a", 7, "Page A", true}, {"http://b", 8, "Other", true}},
         false,
         "Page A"},
        {"one empty page", {{"http://a", 7, "", true}}, false, ""},
        {"several: first containing the cut",
         {{"http://a", 7, "News", true},
          {"https://b", 7, "eBay: Canon 1", true},
          {"http://c", 7, "eBay: Canon 2", true}},
         false,
         "eBay: Canon 1"},
        {"several, none fits", {{"http://a", 7, "News", true}, {"http://b", 7, "Mail", true}}, false, ""},
        {"address must begin with http", {{"HTTP://a", 7, "A", true}, {"file:///x", 7, "B", true}}, false, ""},
        {"an entry that does not answer", {{"http://a", 7, "A", true}, {"", 0, "", false}}, false, ""},
        {"list not available", {{"http://a", 7, "A", true}}, true, ""},
        {"no entry", {}, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeShellWindows shell;
        shell.entries = row.entries;
        shell.unavailable = row.unavailable;
        EXPECT_EQ(capture::shellPageTitle(shell, {}, 7, cut), row.title);
    }
}
