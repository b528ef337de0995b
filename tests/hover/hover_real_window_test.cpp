// The hover tracking on a shown window with Qt's own pointer, timers and
// mouse events (offscreen platform).

#include "hover/module_mouse_move.h"
#include "hover_test_form.h"
#include "platform/linux/pointer_qt.h"
#include "support/event_waits.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace kiebitz {
namespace {

// Hands every mouse move over a watched control to the tracker, as a form's
// mouse-move handlers do.
class MoveForwarder : public QObject {
public:
    explicit MoveForwarder(hover::ModuleMouseMove& hover) : m_hover(hover) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            m_hover.track_Hover(qobject_cast<QWidget*>(watched));
        return false;
    }

private:
    hover::ModuleMouseMove& m_hover;
};

void showActive(QWidget& form)
{
    form.move(40, 30);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, test::kEventBoundMs));
}

// A shown, active form whose labels report their moves to a tracker on Qt's
// own pointer and timers.
struct Shown {
    Shown() : form(open()) {}
    std::unique_ptr<test::HoverTestForm> open()
    {
        auto f = std::make_unique<test::HoverTestForm>();
        f->Label->installEventFilter(&forward);
        f->Label2->installEventFilter(&forward);
        showActive(*f);
        return f;
    }
    platform::PointerQt pointer;
    hover::ModuleMouseMove hover{pointer};
    MoveForwarder forward{hover};
    std::unique_ptr<test::HoverTestForm> form;
};

// Moves the pointer; the platform delivers the move event to the widget
// under it, as the desktop does, before this returns.
void movePointer(QWidget* widget, QPoint local) { QTest::mouseMove(widget, local); }

bool waitForLog(const test::HoverTestForm& form, const QStringList& expected)
{
    return QTest::qWaitFor([&] { return form.log == expected; }, test::kEventBoundMs);
}

// Runs events until a timer of `periodMs` started now has ticked three times:
// by then every timer of that period started before has ticked as well,
// however slowly the machine runs.
bool letTicksPass(int periodMs)
{
    int ticks = 0;
    QTimer witness;
    witness.setTimerType(Qt::PreciseTimer);
    QObject::connect(&witness, &QTimer::timeout, [&] { ++ticks; });
    witness.start(periodMs);
    return QTest::qWaitFor([&] { return ticks >= 3; }, test::kEventBoundMs);
}

TEST(HoverRealWindow, EntersLeavesAndMovesOnWithRealEvents)
{
    Shown s;
    test::HoverTestForm& form = *s.form;
    movePointer(form.Label, QPoint(5, 5));
    EXPECT_TRUE(form.log.isEmpty()) << "the entry comes with the first tick";
    EXPECT_TRUE(waitForLog(form, {"Label_MouseIn"})) << form.log.join(' ').toStdString();
    movePointer(form.Label, QPoint(30, 10));
    ASSERT_TRUE(letTicksPass(hover::kHoverPeriodMs));
    EXPECT_EQ(form.log, QStringList{"Label_MouseIn"}) << "resting and moving inside give nothing more";

    movePointer(form.Label2, QPoint(5, 5));
    EXPECT_EQ(form.log, (QStringList{"Label_MouseIn", "Label_MouseOut"})) << "the first label leaves at once";
    EXPECT_TRUE(waitForLog(form, {"Label_MouseIn", "Label_MouseOut", "Label2_MouseIn"}))
        << form.log.join(' ').toStdString();

    // Onto the form's background: no move reaches a tracked label, the tick
    // notices the leave by itself.
    QCursor::setPos(form.mapToGlobal(QPoint(120, 180)));
    EXPECT_TRUE(waitForLog(form, {"Label_MouseIn", "Label_MouseOut", "Label2_MouseIn", "Label2_MouseOut"}));
    EXPECT_EQ(s.hover.state().HoverTimerId, 0u);
}

TEST(HoverRealWindow, LosingTheForegroundLeaves)
{
    Shown s;
    movePointer(s.form->Label, QPoint(5, 5));
    ASSERT_TRUE(waitForLog(*s.form, {"Label_MouseIn"}));

    QWidget other;
    other.setGeometry(500, 400, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, test::kEventBoundMs));
    EXPECT_TRUE(waitForLog(*s.form, {"Label_MouseIn", "Label_MouseOut"}));

    movePointer(s.form->Label, QPoint(6, 6));
    ASSERT_TRUE(letTicksPass(hover::kHoverPeriodMs));
    EXPECT_EQ(s.form->log.size(), 2) << "nothing is tracked while the form is in the background";
}

TEST(HoverRealWindow, ClosingTheFormWhileTrackedIsHarmless)
{
    Shown s;
    movePointer(s.form->Label, QPoint(5, 5));
    ASSERT_TRUE(waitForLog(*s.form, {"Label_MouseIn"}));
    s.form.reset();
    ASSERT_TRUE(letTicksPass(hover::kHoverPeriodMs));
    s.form = s.open();
    movePointer(s.form->Label, QPoint(12, 8));
    EXPECT_TRUE(waitForLog(*s.form, {"Label_MouseIn"}));
}

TEST(HoverRealWindow, WindowUnderThePointerIsTheNearestOneWithAWindowOfItsOwn)
{
    platform::PointerQt pointer;
    {
        test::HoverTestForm form;
        showActive(form);
        EXPECT_EQ(pointer.windowAt(form.Label->mapToGlobal(QPoint(3, 3))), &form);
        EXPECT_EQ(pointer.windowAt(form.Inner->mapToGlobal(QPoint(3, 3))), &form);
        EXPECT_EQ(pointer.windowAt(QPoint(-5000, -5000)), nullptr);
        EXPECT_EQ(pointer.foregroundWindow(), &form);
    }
    test::HoverTestForm form;
    form.Frame1->setAttribute(Qt::WA_NativeWindow);
    showActive(form);
    EXPECT_EQ(pointer.windowAt(form.Inner->mapToGlobal(QPoint(3, 3))), form.Frame1);
    // Qt makes the siblings of a native child native too; the tracker's
    // notion of a control's own window has to agree with the pointer's.
    EXPECT_EQ(pointer.windowAt(form.Label->mapToGlobal(QPoint(3, 3))), hover::hotArea(*form.Label).window);
    EXPECT_EQ(pointer.windowAt(form.Inner->mapToGlobal(QPoint(3, 3))), hover::hotArea(*form.Inner).window);
}

TEST(HoverRealWindow, TimersAreReplacedKilledAndEndWithTheirWindow)
{
    platform::PointerQt pointer;
    auto window = std::make_unique<QWidget>();
    int first = 0;
    int second = 0;
    EXPECT_EQ(pointer.setTimer(window.get(), 44, 10, [&] { ++first; }), 44u);
    EXPECT_EQ(pointer.setTimer(window.get(), 44, 10, [&] { ++second; }), 44u) << "the same id replaces the timer";
    ASSERT_TRUE(QTest::qWaitFor([&] { return second >= 2; }, test::kEventBoundMs));
    EXPECT_EQ(first, 0);

    EXPECT_TRUE(pointer.killTimer(window.get(), 44));
    EXPECT_FALSE(pointer.killTimer(window.get(), 44));
    const int stopped = second;
    ASSERT_TRUE(letTicksPass(10));
    EXPECT_EQ(second, stopped);

    // A timer that kills itself from its own tick.
    int ticks = 0;
    pointer.setTimer(window.get(), 7, 5, [&] {
        ++ticks;
        pointer.killTimer(window.get(), 7);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, test::kEventBoundMs));
    ASSERT_TRUE(letTicksPass(5));
    EXPECT_EQ(ticks, 1);

    int orphan = 0;
    pointer.setTimer(window.get(), 44, 5, [&] { ++orphan; });
    window.reset();
    ASSERT_TRUE(letTicksPass(5));
    EXPECT_EQ(orphan, 0) << "a destroyed window takes its timers with it";

    QWidget w;
    EXPECT_EQ(pointer.setTimer(nullptr, 44, 10, [] {}), 0u);
    EXPECT_EQ(pointer.setTimer(&w, 0, 10, [] {}), 0u);
    EXPECT_EQ(pointer.setTimer(&w, 44, 0, [] {}), 0u);
}

}  // namespace
}  // namespace kiebitz
