// The notice shown at close: a left click anywhere closes it, only the link
// opens the maker's site, and the link lights up under the pointer.

#include "notice/frm_buy.h"
#include "support/recording_shell_open.h"

#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

TEST(FrmBuy, ClicksCloseItAndOnlyTheLinkOpensTheSite)
{
    // control ("": the background beside the picture), button, closes, opens the site
    const std::tuple<const char*, Qt::MouseButton, bool, bool> rows[] = {
        {"", Qt::LeftButton, true, false},         {"Image1", Qt::LeftButton, true, false},
        {"Label1", Qt::LeftButton, true, false},   {"Label5", Qt::LeftButton, true, false},
        {"Label7", Qt::LeftButton, true, false},   {"Label3", Qt::LeftButton, true, true},
        {"Label3", Qt::RightButton, false, false}, {"", Qt::RightButton, false, false}};
    for (const auto& [name, button, closes, opens] : rows) {
        SCOPED_TRACE(testing::Message() << name << " " << button);
        test::RecordingShellOpen shell;
        platform::Platform p;
        p.shell = &shell;
        notice::FrmBuy form(p);
        form.show();
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), form.Label3->mapToGlobal(QPointF(4, 4)), Qt::NoButton, {},
                         {});
        QApplication::sendEvent(form.Label3, &move);
        EXPECT_TRUE(form.linkUnderlined() && form.linkColor() == notice::kLinkRed);
        QWidget* w = *name ? form.findChild<QWidget*>(name) : &form;
        QTest::mouseClick(w, button, {}, *name ? QPoint(4, 4) : form.Image1->geometry().bottomLeft() + QPoint(2, 8));
        EXPECT_EQ(!form.isVisible(), closes);
        EXPECT_EQ(shell.opened, opens ? QStringList{notice::kMakerHomepage} : QStringList{});
    }
}

}  // namespace
