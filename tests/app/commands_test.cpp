#include "app/main_window.h"
#include "support/fake_platform.h"
#include "support/fake_pointer.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest()
    {
        auto p = fake.platform();
        p.pointer = &pointer;
        form = std::make_unique<app::Form1>(p, state);
        form->Form1init();
        form->show();
        pointer.foreground = form.get();
        pointer.regions = {{QRect(form->mapToGlobal(QPoint(0, 0)), form->size()), form.get()}};
    }

    // The pointer moves onto the label and the label reports the move.
    void hoverOver(app::VbLabel* label)
    {
        pointer.cursor = label->mapToGlobal(label->rect().center());
        emit label->mouseMoved();
        pointer.tick();
    }
    static bool looksHovered(const app::VbLabel* label)
    {
        return label->foreColor() == core::rgb(255, 102, 18) && label->font().underline();
    }
    static bool looksNormal(const app::VbLabel* label)
    {
        return label->foreColor() == core::rgb(0, 0, 255) && !label->font().underline();
    }

    test::FakePlatform fake;
    test::FakePointer pointer;
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;
};

}  // namespace

TEST_F(CommandsTest, LinkLabelsLightUpUnderThePointer)
{
    for (app::VbLabel* label : {form->Lbl_GetTime, form->Lbl_GetArtikel, form->Lbl_Optionen}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_TRUE(looksNormal(label));
        hoverOver(label);
        EXPECT_TRUE(looksHovered(label));
        pointer.cursor = QPoint(-100, -100);  // off the window
        pointer.tick();
        EXPECT_TRUE(looksNormal(label));
    }
    // Moving from one label straight to the next ends the first one's look.
    hoverOver(form->Lbl_GetTime);
    hoverOver(form->Lbl_Optionen);
    pointer.tick();
    EXPECT_TRUE(looksNormal(form->Lbl_GetTime));
    EXPECT_TRUE(looksHovered(form->Lbl_Optionen));
}

TEST_F(CommandsTest, ItemLinkStaysPlainUntilAnAuctionWasFollowed)
{
    ASSERT_TRUE(state.auction.ItemNumber.isEmpty());
    hoverOver(form->Lbl_GoItem);
    EXPECT_TRUE(looksNormal(form->Lbl_GoItem));
    state.auction.ItemNumber = QStringLiteral("1234567890");
    hoverOver(form->Lbl_GoItem);
    EXPECT_TRUE(looksHovered(form->Lbl_GoItem));
}

TEST_F(CommandsTest, OptionsOpenModallyWithThePlainLabelAndTheTimerRunning)
{
    state.auction.AuctionTitle = QStringLiteral("Item");
    form->show_Auction(core::addSeconds(core::fromQDateTime(fake.clock.now()), 600));
    form->Update_Label();
    hoverOver(form->Lbl_Optionen);
    ASSERT_TRUE(looksHovered(form->Lbl_Optionen));
    bool checked = false;
    QTimer::singleShot(50, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("frmOptions"));
        EXPECT_TRUE(looksNormal(form->Lbl_Optionen));
        EXPECT_TRUE(form->Timer1->isEnabled());
        checked = true;
        dialog->close();
    });
    emit form->Lbl_Optionen->clicked();
    EXPECT_TRUE(checked);
}
