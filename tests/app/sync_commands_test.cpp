// The clock synchronisation as the main window starts it: from the
// "Uhr synchronisieren" label and at start when synconstart is exactly 1.

#include "app/kiebitz_main.h"
#include "app/main_window.h"
#include "platform/linux/http_control_qt.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"
#include "support/loopback_http_server.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace kiebitz;
using test::LoopbackHttpServer;

namespace {

const QByteArray kPage = "<html><body>The official eBay Time is: Tuesday, 14 Mar 2006 17:30:00 GMT</body></html>";

struct SyncFixture {
    test::FakePlatform fake;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    QTemporaryDir folder;
    LoopbackHttpServer server;
    platform::HttpControlQt http{test::kEventBoundMs};
    app::ProgramState state;

    platform::Platform platform()
    {
        auto p = fake.platform(folder.path());
        p.http = &http;
        p.timeZone = &zone;
        return p;
    }
    timing::SyncAddresses addresses() const
    {
        return {server.url(timing::kTimePagePath), server.url(timing::kVersionPath)};
    }
    // The time page, sent in one piece after `check` ran.
    void servePage(std::function<void()> check = {})
    {
        LoopbackHttpServer::Response r;
        r.pieces.push_back({20, kPage, std::move(check)});
        server.route(timing::kTimePagePath.toUtf8(), r);
    }
    int timePageRequests() const { return server.requestCount(timing::kTimePagePath.toUtf8()); }
};

app::Form1* shownForm1()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<app::Form1*>(w))
            return f;
    return nullptr;
}

}  // namespace

TEST(SyncCommands, ClickSynchronisesAndLeavesTheCountdownRunning)
{
    SyncFixture s;
    app::Form1 form(s.platform(), s.state);
    form.setSyncAddresses(s.addresses());
    form.Form1init();
    s.state.auction.AuctionTitle = QStringLiteral("Item");
    s.state.auction.AuctionEnd = core::addSeconds(core::fromQDateTime(s.fake.clock.now()), 7200);
    form.show_Auction(s.state.auction.AuctionEnd);
    bool timerDuringRun = false;
    s.servePage([&] { timerDuringRun = form.Timer1->isEnabled(); });

    emit form.Lbl_GetTime->clicked();

    EXPECT_EQ(s.timePageRequests(), 1);
    EXPECT_TRUE(timerDuringRun);
    EXPECT_TRUE(form.Timer1->isEnabled());
    ASSERT_EQ(s.fake.clock.timesSet.size(), 1u);
    ASSERT_EQ(s.fake.messages.shown.size(), 1u);  // msgonsync defaults to 1
    EXPECT_EQ(s.fake.messages.shown[0].text, timing::kStatusUpdated);
}

// Only exactly 1 synchronises at start, with the countdown paused meanwhile
// and switched on again afterwards even when nothing is followed.
TEST(SyncCommands, AtStartOnlyWhenSwitchedOnExactly)
{
    struct Row {
        const char* stored;
        int requests;
    } rows[] = {{"1", 1}, {" 1 ", 1}, {"2", 0}, {"-1", 0}, {"0", 0}, {"", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        SyncFixture s;
        s.fake.settings.values[test::MemorySettingsStore::path("Auktionswerk", "Kiebitz", "synconstart")] =
            QString::fromLatin1(row.stored);
        bool checked = false;
        bool timerDuringRun = true;
        s.servePage([&] {
            app::Form1* f = shownForm1();
            checked = f != nullptr && f->isVisible();
            timerDuringRun = f && f->Timer1->isEnabled();
        });
        auto form = app::Main(s.platform(), s.state, s.addresses());
        EXPECT_EQ(s.timePageRequests(), 0) << "the run waits for the event loop";
        if (row.requests == 1)
            ASSERT_TRUE(test::runUntil([&] { return !s.fake.messages.shown.empty(); }));
        else
            QCoreApplication::processEvents();
        EXPECT_EQ(s.timePageRequests(), row.requests);
        if (row.requests == 1) {
            EXPECT_TRUE(checked) << "the window shows before the synchronisation";
            EXPECT_FALSE(timerDuringRun);
            EXPECT_TRUE(form->Timer1->isEnabled());
            EXPECT_EQ(s.fake.clock.timesSet.size(), 1u);
        } else {
            EXPECT_TRUE(s.fake.clock.timesSet.empty());
            EXPECT_FALSE(form->Timer1->isEnabled());  // no auction followed
        }
        form->hide();
    }
}

// Closing the main window while a synchronisation waits for the time page
// shows the notice, and once it is closed the program's event loop ends: the
// waiting run stops without a message and sets nothing. Both ways a run
// starts: at start-up (queued before the loop runs) and by a click.
TEST(SyncCommands, ClosingWhileASynchronisationWaitsEndsTheProgram)
{
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "at start" : "by click");
        SyncFixture s;
        s.fake.settings.values[test::MemorySettingsStore::path("Auktionswerk", "Kiebitz", "synconstart")] =
            atStart ? QStringLiteral("1") : QStringLiteral("0");
        // The time page never comes: only the close can end the run.
        LoopbackHttpServer::Response never;
        never.kind = LoopbackHttpServer::Response::Kind::NeverAnswer;
        s.server.route(timing::kTimePagePath.toUtf8(), never);

        auto form = app::Main(s.platform(), s.state, s.addresses());
        if (!atStart)
            QTimer::singleShot(0, form.get(), [&] { emit form->Lbl_GetTime->clicked(); });
        bool closed = false;
        bool noticeSeen = false;
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, [&] {
            if (!closed && s.timePageRequests() == 1) {
                closed = true;
                form->close();  // returns once the notice below is closed
            }
        });
        const auto user = test::whenModal([&](QWidget* notice) {
            noticeSeen = true;
            notice->close();
        });
        steps.start(20);
        QTimer::singleShot(60'000, [] { QCoreApplication::exit(99); });  // only when the program does not end

        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(closed);
        EXPECT_TRUE(noticeSeen);
        EXPECT_TRUE(s.fake.messages.shown.empty());
        EXPECT_TRUE(s.fake.clock.timesSet.empty());
        EXPECT_EQ(s.server.requestCount(timing::kVersionPath.toUtf8()), 0);
    }
}
