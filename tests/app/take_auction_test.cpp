// "Artikel übernehmen" and the acquisition at start, through the real main
// window over a desktop of fake windows.

#include "app/main_window.h"
#include "core/program_values.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
const QString kItemPage =
    QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body - Mozilla Firefox");

struct TakeAuction : ::testing::Test {
    test::FakePlatform fake;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;

    void start()
    {
        auto p = fake.platform();
        p.timeZone = &zone;
        form = std::make_unique<app::Form1>(p, state);
        form->Form1init();
    }
    void expectShown()
    {
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Canon EOS 350D Body Kiebitz"));
        EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 18:30:00"));
        EXPECT_TRUE(form->Lbl_NoAuction->isHidden());
        EXPECT_FALSE(form->LabelZeit->isHidden());
        EXPECT_FALSE(form->Lbl_GoItem->isHidden());
        EXPECT_TRUE(form->Timer1->isEnabled());
    }
};

}  // namespace

TEST_F(TakeAuction, AtStartAndAgainAfterTheBrowserClosed)
{
    fake.windows.entries = {{10, kTask, QStringLiteral("Nikon D70 Kiebitz")}, {11, kTask, kItemPage}};
    start();
    expectShown();
    EXPECT_EQ(state.auction.InstanceCount, 1);
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("1234567890"));
    EXPECT_FALSE(form->LabelZeit->caption().isEmpty());

    fake.windows.entries.clear();
    emit form->Lbl_GetArtikel->clicked();
    EXPECT_EQ(form->windowTitle(), QStringLiteral(" Kiebitz 1.6.30"));
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_FALSE(form->Lbl_NoAuction->isHidden());
    EXPECT_TRUE(form->LabelZeit->isHidden());
    EXPECT_FALSE(form->Timer1->isEnabled());
    EXPECT_FALSE(form->Lbl_GoItem->isHidden()) << "the item link stays once an auction was shown";
    EXPECT_EQ(state.auction.InstanceCount, 0);
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("1234567890"));

    fake.windows.entries = {{11, kTask, kItemPage}};
    emit form->Lbl_GetArtikel->clicked();
    expectShown();
}

TEST_F(TakeAuction, OwnWindowIsPassedOver)
{
    start();
    // This very window, titled like an item page, is never taken over.
    fake.windows.entries = {{platform::WindowId(form->winId()), kTask, kItemPage + " Kiebitz"}};
    emit form->Lbl_GetArtikel->clicked();
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_EQ(state.auction.InstanceCount, 0);
    fake.windows.entries.push_back({99, kTask, kItemPage});
    emit form->Lbl_GetArtikel->clicked();
    expectShown();
}
