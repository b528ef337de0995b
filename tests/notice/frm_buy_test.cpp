// The notice window: its texts, the clicks that close it, the link and its
// hover look.

#include "notice/frm_buy.h"
#include "notice/notice_picture.h"
#include "platform/classic_fonts.h"
#include "platform/linux/shell_open_qt.h"
#include "support/event_waits.h"
#include "support/recording_shell_open.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kiebitz {
namespace {

using notice::FrmBuy;

struct Notice {
    Notice()
    {
        platform.shell = &shell;
        form = std::make_unique<FrmBuy>(platform);
        form->show();
    }
    notice::NoticeLabel* byName(const char* name) const
    {
        return form->findChild<notice::NoticeLabel*>(QString::fromLatin1(name));
    }
    QWidget* target(const char* name) const
    {
        return QByteArray(name) == "background" ? static_cast<QWidget*>(form.get()) : byName(name);
    }
    // A point of the window's background, beside the picture, under no label.
    QPoint backgroundPoint() const { return form->Image1->geometry().bottomLeft() + QPoint(2, 8); }
    QPoint pointIn(QWidget* w) const { return w == form.get() ? backgroundPoint() : QPoint(4, 4); }
    void move(QWidget* w)
    {
        const QPoint local = pointIn(w);
        QMouseEvent event(QEvent::MouseMove, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
    bool linkHover() const
    {
        const bool red = form->linkColor() == notice::kLinkRed;
        EXPECT_EQ(red, form->linkUnderlined()) << "colour and underline go together";
        EXPECT_TRUE(red || form->linkColor() == notice::kLinkBlue);
        return red;
    }

    platform::Platform platform;
    test::RecordingShellOpen shell;
    std::unique_ptr<FrmBuy> form;
};

TEST(FrmBuy, CaptionTextsAndLook)
{
    Notice n;
    EXPECT_EQ(n.form->windowTitle(), QStringLiteral("Hinweis zu Kiebitz-Software"));
    struct Row {
        const char* name;
        QString text;  // empty: only checked to be there
        bool bold;
    };
    const Row rows[] = {
        {"Label1", QStringLiteral("Danke, dass Sie Kiebitz benutzen.."), false},
        {"Label4", {}, false},
        {"Label5",
         QStringLiteral("Damit erfolgt die Abgabe Ihres Gebots automatisch, in letzter Sekunde. (Sniperfunktion)"),
         false},
        {"Label2",
         QStringLiteral(
             "Und Sie brauchen Ihren Computer noch nicht einmal angeschaltet lassen.       Das rechtzeitige "
             "Einschalten erfolgt automatisch."),
         false},
        {"Label6", {}, true},
        {"Label3", QStringLiteral("Klicken Sie auf diesen Text, um auf die Kiebitz-Homepage zu gelangen."), true},
        {"Label7", QStringLiteral("Klicken Sie auf eine beliebige Stelle dieses Formulars um es zu schliessen."),
         false},
    };
    const QRect client = n.form->rect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const notice::NoticeLabel* label = n.byName(row.name);
        ASSERT_NE(label, nullptr);
        if (!row.text.isEmpty()) {
            EXPECT_EQ(label->text(), row.text);
        }
        EXPECT_EQ(label->font().bold(), row.bold);
        // The dialog font or its twin, as installed: no fallback search.
        EXPECT_EQ(QFontInfo(label->font()).family(), label->font().family());
        EXPECT_TRUE(platform::kDialogFamilies.contains(label->font().family()));
        EXPECT_TRUE(client.contains(label->geometry())) << "inside the window";
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "the whole text is shown";
    }
    EXPECT_TRUE(n.byName("Label4")->text().contains(QStringLiteral("KiebitzGold")));
    EXPECT_TRUE(n.byName("Label4")->text().contains(QStringLiteral("KiebitzPlatin")));
    EXPECT_TRUE(n.byName("Label6")->text().contains(QStringLiteral("kostenlos")));
    EXPECT_FALSE(n.linkHover());
    EXPECT_EQ(n.form->Label3->cursor().shape(), Qt::PointingHandCursor);
    ASSERT_FALSE(n.form->Image1->pixmap().isNull());

    // No two labels overlap.
    const QList<notice::NoticeLabel*> all = n.form->findChildren<notice::NoticeLabel*>();
    for (int i = 0; i < all.size(); ++i)
        for (int j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(all[i]->geometry().intersects(all[j]->geometry()))
                << all[i]->objectName().toStdString() << " / " << all[j]->objectName().toStdString();
}

TEST(FrmBuy, ClicksCloseTheWindowAndOnlyTheLinkOpensTheSite)
{
    struct Row {
        const char* target;
        Qt::MouseButton button;
        bool closes;
        bool opensSite;
    };
    const Row rows[] = {
        {"background", Qt::LeftButton, true, false},   {"Image1", Qt::LeftButton, true, false},
        {"Label1", Qt::LeftButton, true, false},       {"Label2", Qt::LeftButton, true, false},
        {"Label4", Qt::LeftButton, true, false},       {"Label5", Qt::LeftButton, true, false},
        {"Label6", Qt::LeftButton, true, false},       {"Label7", Qt::LeftButton, true, false},
        {"Label3", Qt::LeftButton, true, true},        {"Label3", Qt::RightButton, false, false},
        {"background", Qt::RightButton, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.target) + (row.button == Qt::LeftButton ? " left" : " right"));
        Notice n;
        n.move(n.form->Label3);
        QWidget* w = n.target(row.target);
        QTest::mouseClick(w, row.button, Qt::NoModifier, n.pointIn(w));
        EXPECT_EQ(!n.form->isVisible(), row.closes);
        EXPECT_EQ(n.shell.opened, row.opensSite ? QStringList{notice::kMakerHomepage} : QStringList{});
        if (QByteArray(row.target) == "Label5") {
            EXPECT_FALSE(n.linkHover()) << "Label5 takes the link's hover look away";
        }
    }
    EXPECT_TRUE(notice::kMakerHomepage.startsWith(QStringLiteral("http://")));
    EXPECT_EQ(QUrl(notice::kMakerHomepage).path(), QStringLiteral("/"));
}

TEST(FrmBuy, PressOnOneControlAndReleaseOnAnotherIsNoClick)
{
    Notice n;
    QTest::mousePress(n.form->Label3, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    QTest::mouseRelease(n.form->Label3, Qt::LeftButton, Qt::NoModifier,
                        n.form->Label3->rect().bottomRight() + QPoint(5, 5));
    EXPECT_TRUE(n.form->isVisible());
    EXPECT_TRUE(n.shell.opened.isEmpty());
}

// The link lights up the moment the pointer moves over it. Moves over the
// background, Label1, Label2 or Label4 take the look away; moves over the
// other labels and the picture leave it as it is, however long they last.
TEST(FrmBuy, LinkLookFollowsTheMovesOverTheWindow)
{
    struct Row {
        std::vector<const char*> path;  // moves after the one onto the link
        bool red;                       // the link's look at the end
    };
    const Row rows[] = {
        {{}, true},
        {{"background"}, false},
        {{"Label1"}, false},
        {{"Label2"}, false},
        {{"Label4"}, false},
        {{"Label5", "Label6", "Label7", "Image1"}, true},
        {{"Label6", "Label6", "Label6"}, true},
        {{"Label6", "background"}, false},
        {{"Label7", "Label4", "Label3"}, true},
    };
    for (const Row& row : rows) {
        Notice n;
        ASSERT_FALSE(n.linkHover());
        n.move(n.form->Label3);
        ASSERT_TRUE(n.linkHover()) << "at once, without waiting for a timer";
        std::string trace;
        for (const char* to : row.path) {
            trace += std::string(" ") + to;
            n.move(n.target(to));
        }
        SCOPED_TRACE(trace);
        QApplication::processEvents();
        EXPECT_EQ(n.linkHover(), row.red);
    }
}

TEST(FrmBuy, ShowNoticeRunsModallyWithoutAnOwnerUntilClosed)
{
    test::RecordingShellOpen shell;
    platform::Platform platform;
    platform.shell = &shell;
    bool seen = false;
    const auto user = test::whenModal([&](QWidget* modal) {
        auto* shown = qobject_cast<FrmBuy*>(modal);
        ASSERT_NE(shown, nullptr);
        seen = true;
        EXPECT_EQ(shown->parentWidget(), nullptr);
        EXPECT_TRUE(shown->isModal());
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(shown->Label3->mapToGlobal(QPoint(3, 3))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(shown->Label3, &move);
        EXPECT_TRUE(shown->linkUnderlined());
        QTest::mouseClick(shown->Label3, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    });
    notice::showNotice(platform);
    EXPECT_TRUE(seen);
    EXPECT_EQ(shell.opened, QStringList{notice::kMakerHomepage});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(NoticePicture, IsDrawnAtTheRequestedSizeAndNotBlank)
{
    const QImage image = notice::lapwingPicture(113, 2.0).toImage();
    EXPECT_EQ(image.size(), QSize(226, 226));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 50u);
    EXPECT_GT(qAlpha(image.pixel(113, 113)), 200) << "opaque in the middle";
}

TEST(ShellOpenQt, TurnsTargetsIntoAddressesOrLocalFiles)
{
    struct Row {
        QString target;
        QString url;  // empty: refused
    };
    const Row rows[] = {
        {QStringLiteral("http://www.tickwerk.de/"), QStringLiteral("http://www.tickwerk.de/")},
        {QStringLiteral("http://x.de/fw.php?&loc=http%3A%2F%2Fy"),
         QStringLiteral("http://x.de/fw.php?&loc=http%3A%2F%2Fy")},
        {QStringLiteral(" mailto:a@b.de "), QStringLiteral("mailto:a@b.de")},
        {QStringLiteral("/tmp/a b.txt"), QStringLiteral("file:///tmp/a%20b.txt")},
        {QStringLiteral(""), {}},
        {QStringLiteral("   "), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target.toStdString());
        const QUrl url = platform::ShellOpenQt::toUrl(row.target);
        if (row.url.isEmpty()) {
            EXPECT_FALSE(url.isValid());
        } else {
            EXPECT_EQ(url.toString(QUrl::FullyEncoded), row.url);
        }
    }
    EXPECT_TRUE(platform::ShellOpenQt::toUrl(QStringLiteral("kiebitz.chm")).isLocalFile());
    EXPECT_FALSE(platform::ShellOpenQt().open(QString()));
}

}  // namespace
}  // namespace kiebitz
