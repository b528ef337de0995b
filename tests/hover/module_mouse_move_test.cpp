// The hover tracking driven by a pointer double whose timer ticks on demand.

#include "hover/module_mouse_move.h"
#include "hover_test_form.h"
#include "support/fake_pointer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kiebitz {
namespace {

using hover::ModuleMouseMove;

// A form at (100, 50) on a desktop where it is the foreground window.
struct Desk {
    Desk()
    {
        form.move(100, 50);
        pointer.foreground = &form;
        pointer.regions = {{QRect(form.mapToGlobal(QPoint(0, 0)), form.size()), &form}};
    }
    static QPoint centreOf(const QWidget* w) { return w->mapToGlobal(w->rect().center()); }
    // A mouse move over `control` as its handler reports it.
    void moveOver(QWidget* control, QPoint at)
    {
        pointer.cursor = at;
        hover.track_Hover(control);
    }
    void moveOver(QWidget* control) { moveOver(control, centreOf(control)); }
    void enter(QWidget* control)
    {
        moveOver(control);
        pointer.tick();
    }
    void away() { pointer.cursor = form.mapToGlobal(QPoint(120, 180)); }  // the form's background
    // A window (nullptr: another program's) over the middle of Label.
    void cover(QWidget* window)
    {
        pointer.regions.insert(pointer.regions.begin(), {QRect(centreOf(form.Label), QSize(3, 3)), window});
    }

    test::HoverTestForm form;
    test::FakePointer pointer;
    ModuleMouseMove hover{pointer};
};

TEST(HoverWithDouble, OneTimerOnTheFormSetUpOnceAndNothingBeforeItsFirstTick)
{
    Desk d;
    d.moveOver(d.form.Label);
    EXPECT_TRUE(d.form.log.isEmpty());
    ASSERT_EQ(d.pointer.timers.size(), 1u);
    EXPECT_EQ(d.pointer.timers.begin()->first.first, &d.form);
    EXPECT_EQ(d.pointer.timers.begin()->second.periodMs, hover::kHoverPeriodMs);
    for (int i = 0; i < 5; ++i)
        d.moveOver(d.form.Label, Desk::centreOf(d.form.Label) + QPoint(i, 0));
    EXPECT_EQ(d.pointer.timersSet, 1) << "a tracked control is not set up again on each move";
}

// Each row plays moves, pointer changes and ticks on a fresh desk, then
// compares the calls the form received, in order.
TEST(HoverWithDouble, Scenarios)
{
    struct Row {
        const char* name;
        std::function<void(Desk&)> script;
        QStringList expected;
        bool trackingAtEnd;
    };
    const auto tick = [](Desk& d) { d.pointer.tick(); };
    const Row rows[] = {
        {"resting and moving inside",
         [&](Desk& d) {
             for (int i = 0; i < 5; ++i) {
                 d.moveOver(d.form.Label, Desk::centreOf(d.form.Label) + QPoint(i, 0));
                 tick(d);
             }
         },
         {"Label_MouseIn"},
         true},
        {"leaving onto the form",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.away();
             tick(d);
             tick(d);
         },
         {"Label_MouseIn", "Label_MouseOut"},
         false},
        {"straight from one label to the next: the first leaves at once",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.moveOver(d.form.Label2);
             d.form.log << "(tick)";
             tick(d);
         },
         {"Label_MouseIn", "Label_MouseOut", "(tick)", "Label2_MouseIn"},
         true},
        {"next label before the first tick",
         [&](Desk& d) {
             d.moveOver(d.form.Label);
             d.enter(d.form.Label2);
         },
         {"Label_MouseOut", "Label2_MouseIn"},
         true},
        {"pointer gone before the first tick",
         [&](Desk& d) {
             d.moveOver(d.form.Label);
             d.away();
             tick(d);
         },
         {"Label_MouseIn", "Label_MouseOut"},
         false},
        {"another window comes to the front, then the form again",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.pointer.foreground = nullptr;
             tick(d);
             d.pointer.foreground = &d.form;
             tick(d);
             d.form.log << "(move)";
             d.enter(d.form.Label);
         },
         {"Label_MouseIn", "Label_MouseOut", "(move)", "Label_MouseIn"},
         true},
        {"moves while the form is in the background",
         [&](Desk& d) {
             d.pointer.foreground = nullptr;
             d.enter(d.form.Label);
             d.enter(d.form.Label2);
         },
         {},
         false},
        {"another program's window over the label",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.cover(nullptr);
             tick(d);
         },
         {"Label_MouseIn", "Label_MouseOut"},
         false},
        {"a child window of the form over the label",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.cover(d.form.Frame1);
             tick(d);
         },
         {"Label_MouseIn", "Label_MouseOut"},
         false},
        {"a form without public callbacks for the control keeps tracking",
         [](Desk& d) {
             d.enter(d.form.Silent);
             d.enter(d.form.Hidden);
             d.enter(d.form.Label);
         },
         {"Label_MouseIn"},
         true},
        {"a failing callback does not end tracking",
         [&](Desk& d) {
             d.enter(d.form.Thrower);
             tick(d);
             d.away();
             tick(d);
         },
         {"Thrower_MouseIn", "Thrower_MouseOut"},
         false},
        {"back onto the same label after leaving starts a new cycle",
         [&](Desk& d) {
             d.enter(d.form.Label);
             d.away();
             tick(d);
             d.enter(d.form.Label);
         },
         {"Label_MouseIn", "Label_MouseOut", "Label_MouseIn"},
         true},
        {"a label inside a frame leaves onto the frame",
         [&](Desk& d) {
             d.enter(d.form.Inner);
             tick(d);
             d.pointer.cursor = d.form.Frame1->mapToGlobal(QPoint(100, 90));
             tick(d);
         },
         {"Inner_MouseIn", "Inner_MouseOut"},
         false},
        {"a timer the desktop refuses is tried again on the next move",
         [](Desk& d) {
             d.pointer.refuseTimers = true;
             d.enter(d.form.Label);
             d.pointer.refuseTimers = false;
             d.enter(d.form.Label);
         },
         {"Label_MouseIn"},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Desk d;
        row.script(d);
        EXPECT_EQ(d.form.log, row.expected);
        EXPECT_EQ(d.pointer.timerRuns(), row.trackingAtEnd);
        EXPECT_EQ(d.hover.state().HoverTimerId != 0, row.trackingAtEnd);
        EXPECT_EQ(d.hover.state().HoverEntered, row.trackingAtEnd);
    }
}

// The hot rectangle holds its left and top edge but not its right and bottom
// edge.
TEST(HoverWithDouble, EdgesOfTheHotRectangle)
{
    struct Row {
        const char* name;
        QPoint offset;  // from the label's top left corner; the label is 80 x 20
        bool inside;
    };
    const Row rows[] = {
        {"top left corner", {0, 0}, true},
        {"last column and row", {79, 19}, true},
        {"right edge", {80, 10}, false},
        {"bottom edge", {40, 20}, false},
        {"one left of the left edge", {-1, 10}, false},
        {"one above the top edge", {40, -1}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Desk d;
        d.enter(d.form.Label);
        d.pointer.cursor = d.form.Label->mapToGlobal(QPoint(0, 0)) + row.offset;
        d.pointer.tick();
        EXPECT_EQ(d.form.log.size(), row.inside ? 1 : 2) << d.form.log.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(HoverWithDouble, HotAreaOfControlsWithAndWithoutAWindowOfTheirOwn)
{
    struct Row {
        const char* name;
        bool nativeFrame;
        bool nativeLabel;
    };
    const Row rows[] = {
        {"alien label in an alien frame", false, false},
        {"alien label in a native frame", true, false},
        {"native label", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HoverTestForm form;
        form.move(200, 120);
        if (row.nativeFrame)
            form.Frame1->setAttribute(Qt::WA_NativeWindow);
        if (row.nativeLabel)
            form.Inner->setAttribute(Qt::WA_NativeWindow);
        const hover::HotArea area = hover::hotArea(*form.Inner);
        QWidget* expectedWindow = row.nativeLabel   ? static_cast<QWidget*>(form.Inner)
                                  : row.nativeFrame ? static_cast<QWidget*>(form.Frame1)
                                                    : static_cast<QWidget*>(&form);
        EXPECT_EQ(area.window, expectedWindow);
        // Form at (200, 120), frame at (150, 20) in it, label at (15, 25) in the frame, 60 x 20.
        EXPECT_EQ(area.rect, (hover::HoverRectangle{365, 165, 425, 185}));
    }
    test::HoverTestForm form;
    EXPECT_EQ(hover::formOf(form.Inner), &form);
    EXPECT_EQ(hover::formOf(&form), nullptr) << "a form is never its own form";
}

TEST(HoverWithDouble, CallsOnlyPublicArgumentlessSlotsAndInvokables)
{
    struct Row {
        const char* name;
        bool called;
        QStringList log;
    };
    const Row rows[] = {
        {"Label_MouseIn", true, {"Label_MouseIn"}},
        {"Invokable_MouseIn", true, {"Invokable_MouseIn"}},
        {"Hidden_MouseIn", false, {}},
        {"Signal_MouseIn", false, {}},
        {"Label_MouseInWith", false, {}},
        {"Missing_MouseIn", false, {}},
        {"", false, {}},
        {"Thrower_MouseIn", false, {"Thrower_MouseIn"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HoverTestForm form;
        EXPECT_EQ(hover::invokeByName(&form, QString::fromLatin1(row.name)), row.called);
        EXPECT_EQ(form.log, row.log);
    }
    EXPECT_FALSE(hover::invokeByName(nullptr, QStringLiteral("Label_MouseIn")));
}

TEST(HoverWithDouble, AFormDestroyedWhileTrackedIsForgotten)
{
    test::FakePointer pointer;
    ModuleMouseMove hover(pointer);
    const auto enter = [&](test::HoverTestForm& form) {
        pointer.foreground = &form;
        pointer.regions = {{QRect(-10000, -10000, 20000, 20000), &form}};
        pointer.cursor = Desk::centreOf(form.Label);
        hover.track_Hover(form.Label);
        pointer.tick();
    };
    auto gone = std::make_unique<test::HoverTestForm>();
    enter(*gone);
    ASSERT_TRUE(hover.state().HoverEntered);
    gone.reset();
    pointer.tick();  // the double, unlike the desktop, still ticks
    EXPECT_EQ(hover.state().HoverTimerId, 0u);
    EXPECT_FALSE(hover.state().HoverEntered);

    test::HoverTestForm next;
    enter(next);
    EXPECT_EQ(next.log, QStringList{QStringLiteral("Label_MouseIn")});
}

TEST(HoverWithDouble, DestroyingTheTrackerStopsItsTimer)
{
    test::FakePointer pointer;
    test::HoverTestForm form;
    pointer.foreground = &form;
    {
        ModuleMouseMove hover(pointer);
        pointer.cursor = Desk::centreOf(form.Label);
        hover.track_Hover(form.Label);
        ASSERT_TRUE(pointer.timerRuns());
    }
    EXPECT_FALSE(pointer.timerRuns());
}

}  // namespace
}  // namespace kiebitz
