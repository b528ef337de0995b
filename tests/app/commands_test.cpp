#include "app/main_window.h"
#include "core/text.h"
#include "platform/linux/shell_open_qt.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"
#include "support/fake_pointer.h"
#include "support/recording_shell_open.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest()
    {
        auto p = fake.platform();
        p.pointer = &pointer;
        p.shell = &shell;
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
    test::RecordingShellOpen shell;
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
    state.auction.AuctionEnd = core::addSeconds(core::fromQDateTime(fake.clock.now()), 600);
    form->show_Auction(state.auction.AuctionEnd);
    form->Update_Label();
    hoverOver(form->Lbl_Optionen);
    ASSERT_TRUE(looksHovered(form->Lbl_Optionen));
    bool checked = false;
    const auto closer = test::whenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName(), QStringLiteral("frmOptions"));
        EXPECT_TRUE(looksNormal(form->Lbl_Optionen));
        EXPECT_TRUE(form->Timer1->isEnabled());
        checked = true;
        dialog->close();
    });
    emit form->Lbl_Optionen->clicked();
    EXPECT_TRUE(checked);
}

// The item page opens only through the forwarding link; whatever the item
// number holds reaches the address as one percent-encoded query value, and
// the platform's opener keeps it an address on the forwarding host.
TEST_F(CommandsTest, ItemLinkCarriesAnyItemNumberEncodedBehindTheForwardingAddress)
{
    emit form->Lbl_GoItem->clicked();
    EXPECT_TRUE(shell.opened.isEmpty()) << "no item followed yet";

    const QString forwarding = QStringLiteral("http://www.auktionswerk.de/fw.php?&loc=");
    const QString itemPage = QStringLiteral("http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=");
    const QRegularExpression encodedOnly(QStringLiteral("^(?:[A-Za-z0-9._]|%[0-9A-F]{2})*$"));
    const QStringList numbers = {
        QStringLiteral("1234567890"), QStringLiteral(" 12 34 "),           QStringLiteral("\"'<>`"),
        QStringLiteral("1&item=2#x"), QStringLiteral("100%25%"),           QStringLiteral("javascript:alert(1)"),
        QString(5000, u'9'),          QStringLiteral("../\\x?y=z;a\r\nb"), QStringLiteral("Grüße€"),
    };
    for (const QString& number : numbers) {
        SCOPED_TRACE(number.left(40).toStdString());
        shell.opened.clear();
        state.auction.ItemNumber = number;
        emit form->Lbl_GoItem->clicked();
        ASSERT_EQ(shell.opened.size(), 1);
        const QString link = shell.opened[0];
        ASSERT_TRUE(link.startsWith(forwarding));
        const QString rest = link.mid(forwarding.size());
        EXPECT_TRUE(encodedOnly.match(rest).hasMatch());
        EXPECT_EQ(core::fromAnsi(QByteArray::fromPercentEncoding(rest.toLatin1())), itemPage + number);

        const QUrl url = platform::ShellOpenQt::toUrl(link);
        EXPECT_EQ(url.scheme(), u"http");
        EXPECT_EQ(url.host(), u"www.auktionswerk.de");
        EXPECT_EQ(url.path(), u"/fw.php");
    }
}
