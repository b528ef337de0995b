// "Artikel übernehmen" and the acquisition at start, through the real main
// window over a desktop of fake windows.

#include "app/main_window.h"
#include "core/program_values.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
const QString kCanon = QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body");
const QString kLeica = QStringLiteral("eBay Artikel 9876543210 (Endet 14.03.27 20:00:00 MEZ) - Leica M6 - Firefox");

// The main window, counting its countdown refreshes.
struct CountingForm : app::Form1 {
    using Form1::Form1;
    void Update_Label() override { ++refreshes, Form1::Update_Label(); }
    int refreshes = 0;
};

}  // namespace

// At start and on each click the record keeps the followed auction until the
// outcome is known, then is written once; the countdown is refreshed once.
TEST(TakeAuction, EachActionWritesTheRecordOnceAndRefreshesOnce)
{
    const QString noItem = QStringLiteral(" Kiebitz 1.6.30|Kein Artikel gewählt.");
    const struct {
        const char* name;
        std::vector<platform::WindowEntry> desktop;  // id 0: this very window
        QString shown;                               // window title|end line
    } steps[] = {
        {"start",
         {{10, kTask, "Nikon D70 Kiebitz"}, {11, kTask, kCanon}},
         "Canon EOS 350D Body Kiebitz|endet am 12.03.2027 18:30:00"},
        {"another auction", {{12, kTask, kLeica}}, "Leica M6 Kiebitz|endet am 14.03.2027 20:00:00"},
        {"browser closed", {}, noItem},
        {"only this window", {{0, kTask, kCanon + " Kiebitz"}}, noItem},
        {"first auction again", {{11, kTask, kCanon}}, "Canon EOS 350D Body Kiebitz|endet am 12.03.2027 18:30:00"},
    };
    test::FakePlatform fake;
    app::ProgramState state;
    CountingForm form(fake.platform(), state);
    std::vector<core::DateValue> endsSeen;  // the record's end time as the desktop is read
    fake.windows.onRead = [&] { endsSeen.push_back(state.auction.AuctionEnd); };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        fake.windows.entries = step.desktop;
        for (platform::WindowEntry& w : fake.windows.entries)
            w.id = w.id ? w.id : platform::WindowId(form.winId());
        const core::DateValue followed = state.auction.AuctionEnd;
        form.refreshes = 0;
        endsSeen.clear();
        if (&step == &steps[0])
            form.Form1init();
        else
            emit form.Lbl_GetArtikel->clicked();
        EXPECT_EQ(form.refreshes, 1);
        EXPECT_EQ(endsSeen, std::vector{followed}) << "cleared before the outcome was known";
        EXPECT_EQ(form.windowTitle() + u'|' + form.Label1->caption(), step.shown);
        const bool shown = step.shown != noItem;
        EXPECT_EQ(state.auction.AuctionEnd != core::kZeroDate, shown);
        EXPECT_EQ(state.auction.InstanceCount, &step == &steps[0] ? 1 : 0);
        EXPECT_EQ(form.Lbl_NoAuction->isHidden(), shown);
        EXPECT_EQ(form.Timer1->isEnabled(), shown);
        EXPECT_FALSE(form.Lbl_GoItem->isHidden()) << "the item link stays once an auction was shown";
    }
}
