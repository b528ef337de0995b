// The main window offscreen: the countdown and its tick, taking an auction
// over from fake windows, start and close, the item link, the clock
// synchronisation against a time page served on 127.0.0.1, and a desktop of
// null facilities.

#include "app/kiebitz_main.h"
#include "platform/accessibility.h"
#include "platform/linux/http_control_qt.h"
#include "platform/linux/shell_open_qt.h"
#include "settings/keys.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"
#include "support/loopback_http_server.h"
#include "support/recording_shell_open.h"
#include "timing/item_link.h"

using namespace kiebitz;

namespace {

const QString kSetting = QStringLiteral("Auktionswerk/Kiebitz/");
const QString kDrum = QStringLiteral("play:/opt/kiebitz/drum.wav");

TEST(CountdownTimer, AlignsEveryRateThatDividesTheSecondToTheClock)
{
    test::FakeClock clock;
    app::CountdownTimer timer(clock);
    const int m = app::CountdownTimer::kAlignMarginMs;
    const int rows[][3] = {// ms past the second, interval, delay
                           {0, 1000, 1000 + m}, {1, 1000, 999 + m},  {500, 1000, 500 + m}, {999, 1000, 1 + m},
                           {999, 200, 1 + m},   {123, 500, 377 + m}, {0, 200, 200 + m},    {2, 500, 500},
                           {650, 200, 150 + m}, {640, 300, 300}};
    for (const auto& [ms, interval, delay] : rows) {
        clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0, ms)));
        timer.setInterval(interval);
        EXPECT_EQ(timer.nextDelayMs(), delay) << ms << " ms, interval " << interval;
    }
    timer.setEnabled(false);
    EXPECT_EQ(timer.nextDelayMs(), -1);
    QObject::connect(&timer, &app::CountdownTimer::timeout, [] { ADD_FAILURE() << "a disabled timer ticked"; });
    timer.fire();
}

struct App : ::testing::Test {
    App()
    {
        auto p = fake.platform();
        p.shell = &shell;
        form = std::make_unique<app::Form1>(p, state);
        form->Form1init();
    }
    // Follows an auction that ends `remaining` seconds after the clock's now.
    void follow(std::int64_t remaining)
    {
        state.auction.AuctionTitle = QStringLiteral("X");
        state.auction.ItemNumber = QStringLiteral("1234567890");
        state.auction.AuctionEnd = core::addSeconds(core::fromQDateTime(fake.clock.now()), remaining);
        form->show_Auction(state.auction.AuctionEnd);
        form->Update_Label();
    }
    QString zeit() const { return form->LabelZeit->caption(); }

    test::FakePlatform fake;
    test::RecordingShellOpen shell;
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;
};

TEST_F(App, CountsDownThroughEveryBand)
{
    // remaining s, text, font pt, colour, tick ms (0: stopped), window title
    const std::tuple<std::int64_t, const char*, double, std::uint32_t, int, const char*> rows[] = {
        {172800, "2 Tage\r\n0 Stunden", 12, 0, 500, "X Kiebitz"},
        {90000, "1 Tag\r\n1 Stunde", 12, 0, 500, "X Kiebitz"},
        {86400, "1 Tag\r\n0 Stunden", 12, 0, 500, "X Kiebitz"},
        {86399, "23 Stunden\r\n59 Minuten", 12, 0, 500, "X Kiebitz"},
        {3660, "1 Stunde\r\n1 Minute", 12, 0, 500, "X Kiebitz"},
        {3600, "1 Stunde\r\n0 Minuten", 12, 0, 500, "X Kiebitz"},
        {3599, "59 Minuten\r\n59 Sekunden", 12, 0, 200, "X Kiebitz"},
        {125, "2 Minuten\r\n5 Sekunden", 12, 0, 200, "X Kiebitz"},
        {61, "1 Minute\r\n1 Sekunden", 12, 0, 200, "X Kiebitz"},
        {60, "1 Minute\r\n0 Sekunden", 12, 0, 200, "X Kiebitz"},
        {59, "59", 13, 0x000000, 1000, " >>59<<"},
        {42, "42", 30, 0x440000, 1000, " >>42<<"},
        {1, "1", 71, 0xE80000, 1000, " >>1<<"},
        {0, "Auktion\r\nbeendet", 16, 0, 0, "X"},
        {-3700, "Auktion\r\nbeendet", 16, 0, 0, "X"}};
    for (const auto& [remaining, text, pt, color, interval, caption] : rows) {
        SCOPED_TRACE(remaining);
        const std::size_t flashes = fake.flash.flashed.size();  // the final minute flashes on every call
        follow(remaining);
        if (interval != 0) {
            // Paused, as while the synchronisation at start runs: every ticking band starts it again.
            form->Timer1->setEnabled(false);
            form->Update_Label();
        }
        EXPECT_EQ(zeit(), QString::fromUtf8(text));
        EXPECT_DOUBLE_EQ(form->LabelZeit->font().pointSizeF(), pt);
        EXPECT_EQ(form->LabelZeit->foreColor(), color);
        EXPECT_EQ(form->Timer1->isEnabled() ? form->Timer1->interval() : 0, interval);
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(caption));
        EXPECT_FALSE(form->LabelZeit->isHidden());
        const double middle = form->twipsGeometry(form->Shape2).center().y();
        EXPECT_NEAR(form->twipsGeometry(form->LabelZeit).center().y(), middle, form->twipsPerPixel().y);
        EXPECT_EQ(fake.flash.flashed.size() - flashes, remaining > 0 && remaining < 60 ? 2u : 0u);
        EXPECT_EQ(form->Label2->caption() != QStringLiteral("Label2gdfg "), remaining < 3600) << "the time stamp";
        // Only the final minute and the end rewrite (and re-centre) an unchanged text.
        form->LabelZeit->move(0, 0);
        form->Update_Label();
        EXPECT_EQ(form->LabelZeit->y() != 0, remaining < 60);
    }
    EXPECT_EQ(fake.flash.flashed.back(), quintptr(form->winId()));
}

// Days ahead the countdown goes on ticking on its own timer, each tick
// reading the clock again; once no auction is followed it stops.
TEST_F(App, DaysBandKeepsTickingUntilNoAuctionIsFollowed)
{
    follow(2 * 86400);
    form->Timer1->setEnabled(false);  // paused, as while the synchronisation at start runs
    form->Update_Label();
    QObject::connect(form->Timer1, &app::CountdownTimer::timeout, [&] { fake.clock.advanceSeconds(3600); });
    const QString next = QStringLiteral("1 Tag\r\n23 Stunden");
    EXPECT_TRUE(test::runUntil([&] { return zeit() == next; })) << zeit().toStdString();
    state.auction.AuctionEnd = core::kZeroDate;
    form->Update_Label();
    EXPECT_EQ(zeit(), next);
    EXPECT_FALSE(form->Timer1->isEnabled());
}

TEST_F(App, WarningPlaysAtExactlyTheConfiguredSecond)
{
    const std::vector<int> every200(40, 200);  // 8 s at the 200 ms rate: restarted on each tick within 60 s
    // warnton, clock steps between ticks, times played
    const std::tuple<std::int16_t, std::vector<int>, int> rows[] = {
        {1, every200, 5}, {0, every200, 0}, {2, every200, 0}, {1, {1000, 1000, 5000}, 1}, {1, {4000, 4000}, 0}};
    for (const auto& [warnton, steps, plays] : rows) {
        SCOPED_TRACE(testing::Message() << warnton << ", steps " << steps.size());
        fake.sound.calls.clear();
        state.settings.warnton = warnton;
        fake.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0)));
        follow(62);
        for (int ms : steps) {
            fake.clock.advanceMs(ms);
            form->Update_Label();
        }
        EXPECT_EQ(fake.sound.calls.count(kDrum), plays);
        EXPECT_EQ(fake.sound.calls.count(QStringLiteral("stop")), plays);
    }
}

// Whatever the item number holds, the item page opens through the
// forwarding link, and the opener keeps that an address on its host.
TEST_F(App, ItemLinkOpensAnyItemNumberBehindTheForwardingAddress)
{
    emit form->Lbl_GoItem->clicked();
    EXPECT_TRUE(shell.opened.isEmpty()) << "no item followed yet";
    for (const QString& number :
         {QStringLiteral(" 12 34 "), QStringLiteral("\"'<>`1&item=2#x100%25%"), QStringLiteral("javascript:alert(1)"),
          QString(5000, u'9'), QStringLiteral("../\\x?y=z;a\r\nb"), QStringLiteral("Grüße€")}) {
        shell.opened.clear();
        state.auction.ItemNumber = number;
        emit form->Lbl_GoItem->clicked();
        EXPECT_EQ(shell.opened, QStringList{timing::itemLink(number)});
        const QUrl url = platform::ShellOpenQt::toUrl(timing::itemLink(number));
        EXPECT_EQ(url.scheme() + "://" + url.host() + url.path(), QStringLiteral("http://www.auktionswerk.de/fw.php"))
            << number.left(40).toStdString();
    }
}

// The clock synchronisation from the main window against a time page on
// 127.0.0.1; `synconstart` as stored.
struct Sync {
    explicit Sync(const char* synconstart)
    {
        fake.settings.values[kSetting + "synconstart"] = QString::fromLatin1(synconstart);
        p = fake.platform();
        p.http = &http;
        p.timeZone = &zone;
    }
    // The time page, sent after `check` ran; or never.
    void serve(std::function<void()> check, bool never = false)
    {
        test::LoopbackHttpServer::Response r;
        r.kind = never ? test::LoopbackHttpServer::Response::Kind::NeverAnswer : r.kind;
        r.pieces.push_back(
            {20, "<html><body>The official eBay Time is: Tuesday, 14 Mar 2006 17:30:00 GMT</body></html>", check});
        server.route(timing::kTimePagePath.toUtf8(), r);
    }
    std::unique_ptr<app::Form1> main()
    {
        return app::Main(p, state, {server.url(timing::kTimePagePath), server.url(timing::kVersionPath)});
    }
    int requests(const QString& path) const { return server.requestCount(path.toUtf8()); }

    test::FakePlatform fake;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    test::LoopbackHttpServer server;
    platform::HttpControlQt http{test::kEventBoundMs};
    platform::Platform p;
    app::ProgramState state;
};

// By a click, with the countdown running on; at start only for exactly 1,
// with the countdown paused meanwhile and switched on again afterwards even
// when nothing is followed. The outcome is shown unless msgonsync is 0.
TEST(SyncCommands, ByClickAndAtStartOnlyWhenSwitchedOnExactly)
{
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"click", false, "2"}, {"1", true, "1"},  {" 1 ", true, "0"}, {"2", false, "1"},
        {"-1", false, "1"},    {"0", false, "1"}, {"", false, "1"}};
    for (const auto& [stored, atStart, message] : rows) {
        SCOPED_TRACE(stored);
        const bool click = stored == std::string("click"), runs = click || atStart;
        Sync s(click ? "0" : stored);
        s.fake.settings.values[kSetting + "msgonsync"] = QString::fromLatin1(message);
        app::Form1* shown = nullptr;
        bool visible = false, timerDuringRun = true;
        s.serve([&] {
            visible = shown && shown->isVisible();
            timerDuringRun = shown && shown->Timer1->isEnabled();
        });
        auto form = s.main();
        shown = form.get();
        EXPECT_EQ(s.requests(timing::kTimePagePath), 0) << "the run waits for the event loop";
        if (click) {
            s.state.auction.AuctionTitle = QStringLiteral("Item");
            s.state.auction.AuctionEnd = core::addSeconds(core::fromQDateTime(s.fake.clock.now()), 7200);
            form->show_Auction(s.state.auction.AuctionEnd);
            emit form->Lbl_GetTime->clicked();
        }
        EXPECT_TRUE(test::runUntil([&] { return !runs || !s.fake.clock.timesSet.empty(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(s.requests(timing::kTimePagePath), runs ? 1 : 0);
        EXPECT_EQ(s.fake.clock.timesSet.size(), runs ? 1u : 0u);
        EXPECT_EQ(s.fake.messages.shown.size(), runs && *message != '0' ? 1u : 0u);
        if (runs) {
            EXPECT_TRUE(visible) << "the window shows before the synchronisation";
            EXPECT_EQ(timerDuringRun, click);
        }
        EXPECT_EQ(form->Timer1->isEnabled(), runs);
    }
}

// The first start stores the program folder. Closing the main window while
// a synchronisation waits for the time page stores the placement, then the
// program folder, and shows the notice; once that is closed the program's
// event loop ends, and the waiting run stops without a message or setting.
TEST(SyncCommands, ClosingWhileASynchronisationWaitsEndsTheProgram)
{
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "at start" : "by click");
        Sync s(atStart ? "1" : "0");
        s.serve({}, true);
        auto form = s.main();
        EXPECT_EQ(s.fake.settings.values.value(kSetting + "InstallDir"), "/opt/kiebitz");
        EXPECT_EQ(s.state.helpFile, "/opt/kiebitz/kiebitz.chm");
        s.fake.settings.writes.clear();
        if (!atStart)
            QTimer::singleShot(0, form.get(), [&] { emit form->Lbl_GetTime->clicked(); });
        bool closed = false, noticeSeen = false;
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, [&] {
            if (closed || s.requests(timing::kTimePagePath) != 1)
                return;
            closed = true;
            form->close();  // returns once the notice below is closed
        });
        const auto user = test::whenModal([&](QWidget* notice) {
            noticeSeen = true;
            notice->close();
        });
        steps.start(20);
        QTimer::singleShot(60'000, [] { QCoreApplication::exit(99); });  // only when the program does not end
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(closed && noticeSeen);
        EXPECT_TRUE(s.fake.messages.shown.empty());
        EXPECT_TRUE(s.fake.clock.timesSet.empty());
        EXPECT_EQ(s.requests(timing::kVersionPath), 0);
        EXPECT_EQ(s.fake.settings.writes,
                  QStringList({"Left", "Top", "Width", "Height", "WindowState", "InstallDir"}));
    }
}

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
const QString kCanon = QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body");
const QString kLeica = QStringLiteral("eBay Artikel 9876543210 (Endet 14.03.27 20:00:00 MEZ) - Leica M6 - Firefox");

// The main window, counting its countdown refreshes.
struct CountingForm : app::Form1 {
    using Form1::Form1;
    void Update_Label() override { ++refreshes, Form1::Update_Label(); }
    int refreshes = 0;
};

// "Artikel übernehmen" and the acquisition at start over fake windows: the
// record keeps the followed auction until the outcome is known, then is
// written once; the countdown is refreshed once.
TEST(TakeAuction, EachActionWritesTheRecordOnceAndRefreshesOnce)
{
    const QString noItem = QStringLiteral(" Kiebitz 1.6.30|Kein Artikel gewählt.");
    const QString canonShown = QStringLiteral("Canon EOS 350D Body Kiebitz|endet am 12.03.2027 18:30:00");
    // step, desktop (id 0: this very window), window title|end line
    const std::tuple<const char*, std::vector<platform::WindowEntry>, QString> steps[] = {
        {"start", {{10, kTask, "Nikon D70 Kiebitz"}, {11, kTask, kCanon}}, canonShown},
        {"another auction", {{12, kTask, kLeica}}, "Leica M6 Kiebitz|endet am 14.03.2027 20:00:00"},
        {"browser closed", {}, noItem},
        {"only this window", {{0, kTask, kCanon + " Kiebitz"}}, noItem},
        {"first auction again", {{11, kTask, kCanon}}, canonShown}};
    test::FakePlatform fake;
    app::ProgramState state;
    CountingForm form(fake.platform(), state);
    std::vector<core::DateValue> endsSeen;  // the record's end time as the desktop is read
    fake.windows.onRead = [&] { endsSeen.push_back(state.auction.AuctionEnd); };
    for (const auto& [name, desktop, shownText] : steps) {
        SCOPED_TRACE(name);
        fake.windows.entries = desktop;
        for (platform::WindowEntry& w : fake.windows.entries)
            w.id = w.id ? w.id : platform::WindowId(form.winId());
        const core::DateValue followed = state.auction.AuctionEnd;
        const bool start = name == std::string("start"), shown = shownText != noItem;
        form.refreshes = 0;
        endsSeen.clear();
        if (start)
            form.Form1init();
        else
            emit form.Lbl_GetArtikel->clicked();
        EXPECT_EQ(form.refreshes, 1);
        EXPECT_EQ(endsSeen, std::vector{followed}) << "cleared before the outcome was known";
        EXPECT_EQ(form.windowTitle() + u'|' + form.Label1->caption(), shownText);
        EXPECT_EQ(state.auction.AuctionEnd != core::kZeroDate, shown);
        EXPECT_EQ(state.auction.InstanceCount, start ? 1 : 0);
        EXPECT_EQ(form.Lbl_NoAuction->isHidden(), shown);
        EXPECT_EQ(form.Timer1->isEnabled(), shown);
        EXPECT_FALSE(form.Lbl_GoItem->isHidden()) << "the item link stays once an auction was shown";
    }
}

// Over nothing but a settings store and an accessibility switch that is off,
// the commands run to their end (no network: the synchronisation returns at
// once), find nothing and show nothing. The unseen question for the page list
// counts as declined, and with no window list no other instance holds the
// placement back.
TEST(NullPlatform, CommandsFindNothingAndAskNobody)
{
    struct : platform::AccessibilitySwitch {
        State state() override { return State::Off; }
        bool switchOn() override { return switchedOn = true; }
        bool switchedOn = false;
    } accessibility;
    test::MemorySettingsStore store;
    platform::Platform p;
    p.settings = &store;
    p.accessibility = &accessibility;
    app::ProgramState state;
    app::Form1 form(p, state);
    form.Form1init();
    state.auction.ItemNumber = QStringLiteral("1234567890");
    for (app::VbLabel* command : {form.Lbl_GetArtikel, form.Lbl_GetTime, form.Lbl_GoItem}) {
        emit command->mouseMoved();
        emit command->clicked();
    }
    EXPECT_EQ(form.Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_FALSE(form.Timer1->isEnabled());
    EXPECT_FALSE(accessibility.switchedOn);
    EXPECT_EQ(store.values.value(kSetting + settings::key::seitenliste), QStringLiteral("0"));
    settings::WidgetPlacement placement(form);
    settings::save_WindowPos(placement, p, settings::kApp, settings::kSection);
    EXPECT_FALSE(store.values.value(kSetting + settings::key::Left).isEmpty());
}

}  // namespace
