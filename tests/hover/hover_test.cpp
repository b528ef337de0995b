// The hover tracking, driven by a pointer double whose timers tick on
// demand.

#include "core/runtime_error.h"
#include "hover/module_mouse_move.h"
#include "support/fake_pointer.h"

#include <QFrame>
#include <QLabel>

#include <gtest/gtest.h>

#include <optional>

namespace kiebitz {
namespace {

QLabel* label(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* l = new QLabel(QString::fromLatin1(name), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

// A form whose controls log entering and leaving through callbacks named
// after them, as a real window names its callbacks.
class HoverTestForm : public QWidget {
    Q_OBJECT
public:
    HoverTestForm()
    {
        resize(300, 200);
        Frame1->setObjectName(QStringLiteral("Frame1"));
        Frame1->setGeometry(150, 20, 120, 100);
        label(this, "Silent", QRect(10, 70, 80, 20));  // without callbacks
        label(this, "Hidden", QRect(10, 100, 80, 20));
        label(this, "Thrower", QRect(10, 130, 80, 20));
    }
    QFrame* Frame1 = new QFrame(this);
    QLabel* Label = label(this, "Label", QRect(10, 10, 80, 20));
    QLabel* Label2 = label(this, "Label2", QRect(10, 40, 80, 20));
    QLabel* Inner = label(Frame1, "Inner", QRect(15, 25, 60, 20));
    QStringList log;

public slots:
    void Label_MouseIn() { log << "Label_MouseIn"; }
    void Label_MouseOut() { log << "Label_MouseOut"; }
    void Label2_MouseIn() { log << "Label2_MouseIn"; }
    void Label2_MouseOut() { log << "Label2_MouseOut"; }
    void Inner_MouseIn() { log << "Inner_MouseIn"; }
    void Inner_MouseOut() { log << "Inner_MouseOut"; }
    void Thrower_MouseIn()
    {
        log << "Thrower_MouseIn";
        throw core::RuntimeError::invalidArgument();
    }
    void Thrower_MouseOut() { log << "Thrower_MouseOut"; }
    void Label_MouseInWith(int) { log << "wrong"; }  // takes an argument: never called
public:
    Q_INVOKABLE void Invokable_MouseIn() { log << "Invokable_MouseIn"; }
signals:
    void Signal_MouseIn();
protected slots:
    void Hidden_MouseIn() { log << "Hidden_MouseIn"; }
};

QPoint centreOf(const QWidget* w) { return w->mapToGlobal(w->rect().center()); }

// A form at (100, 50) on a desktop where it is the foreground window.
struct Desk {
    Desk()
    {
        form.move(100, 50);
        pointer.foreground = &form;
        pointer.regions = {{QRect(form.mapToGlobal(QPoint(0, 0)), form.size()), &form}};
    }
    // Plays a script of words: a control's name is a mouse move over its
    // centre as its handler reports it ("Name+": a move inside it), "t" a
    // tick, "@x,y" the pointer onto that point of the form, "bg"/"fg"
    // another window or the form in front, "cover:" another program's window
    // ("cover:Frame1" that child window) over Label, "gone" Label destroyed,
    // "refuse"/"accept" timers; any other word is a mark in the log.
    void play(const QString& script)
    {
        for (const QString& w : script.split(u' ')) {
            if (QWidget* control = form.findChild<QWidget*>(QString(w).remove(u'+'))) {
                pointer.cursor = centreOf(control) + QPoint(w.endsWith(u'+') ? 3 : 0, 0);
                hover->track_Hover(control);
            } else if (w == u"t") {
                pointer.tick();
            } else if (w.startsWith(u'@')) {
                const QStringList xy = w.mid(1).split(u',');
                pointer.cursor = form.mapToGlobal(QPoint(xy[0].toInt(), xy[1].toInt()));
            } else if (w == u"bg" || w == u"fg") {
                pointer.foreground = w == u"fg" ? &form : nullptr;
            } else if (w.startsWith(u"cover:")) {
                pointer.regions.insert(pointer.regions.begin(), {QRect(centreOf(form.Label), QSize(3, 3)),
                                                                 form.findChild<QWidget*>(w.mid(6))});
            } else if (w == u"gone") {
                delete form.Label;
            } else if (w == u"refuse" || w == u"accept") {
                pointer.refuseTimers = w == u"refuse";
            } else {
                form.log << w;
            }
        }
    }
    HoverTestForm form;
    test::FakePointer pointer;
    std::optional<hover::ModuleMouseMove> hover{std::in_place, pointer};
};

TEST(HoverWithDouble, Scenarios)
{
    // what happens, the form's callbacks in order, whether tracking goes on at the end
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"Label Label+ Label+", "", true},  // nothing before the first tick
        {"Label t Label+ t Label+ t", "Label_MouseIn", true},
        {"Label t Label2 | t", "Label_MouseIn Label_MouseOut | Label2_MouseIn", true},  // the first leaves at once
        {"Label Label2 t", "Label_MouseOut Label2_MouseIn", true},
        {"Label @120,180 t", "Label_MouseIn Label_MouseOut", false},
        {"Label t bg t fg t | Label t", "Label_MouseIn Label_MouseOut | Label_MouseIn", true},
        {"bg Label t Label2 t", "", false},  // moves while the form is in the background
        {"Label t cover: t", "Label_MouseIn Label_MouseOut", false},
        {"Label t cover:Frame1 t", "Label_MouseIn Label_MouseOut", false},
        {"Silent t Hidden t Label t", "Label_MouseIn", true},  // no public callbacks: tracking goes on
        {"Thrower t t @120,180 t", "Thrower_MouseIn Thrower_MouseOut", false},
        {"Label t @120,180 t t Label t", "Label_MouseIn Label_MouseOut Label_MouseIn", true},  // onto the background
        {"Inner t t @250,110 t", "Inner_MouseIn Inner_MouseOut", false},                       // onto the frame
        {"refuse Label t accept Label t", "Label_MouseIn", true},  // a refused timer is asked for again
        {"Label t gone t", "Label_MouseIn", false},                // forgotten without a call
        {"Label t gone t Label2 t", "Label_MouseIn Label2_MouseIn", true},
        // The hot rectangle holds its left and top edge, not its right and bottom edge.
        {"Label t @10,10 t @89,29 t", "Label_MouseIn", true},
        {"Label t @90,20 t", "Label_MouseIn Label_MouseOut", false},
        {"Label t @50,30 t", "Label_MouseIn Label_MouseOut", false},
        {"Label t @9,20 t", "Label_MouseIn Label_MouseOut", false},
        {"Label t @50,9 t", "Label_MouseIn Label_MouseOut", false}};
    for (const auto& [script, calls, tracking] : rows) {
        SCOPED_TRACE(script);
        Desk d;
        d.play(QString::fromLatin1(script));
        EXPECT_EQ(d.form.log.join(u' '), QString::fromLatin1(calls));
        EXPECT_EQ(d.pointer.timerRuns(), tracking);
        EXPECT_EQ(d.hover->state().HoverTimerId != 0, tracking);
        EXPECT_EQ(d.hover->state().HoverEntered, tracking && *calls);
        d.hover.reset();
        EXPECT_FALSE(d.pointer.timerRuns()) << "a tracker destroyed stops its timer";
    }
}

TEST(HoverWithDouble, HotAreaFormAndCallbacksByName)
{
    for (const auto& [nativeFrame, nativeLabel] : {std::pair{false, false}, {true, false}, {false, true}}) {
        SCOPED_TRACE(testing::Message() << nativeFrame << nativeLabel);
        HoverTestForm form;
        form.move(200, 120);
        form.Frame1->setAttribute(Qt::WA_NativeWindow, nativeFrame);
        form.Inner->setAttribute(Qt::WA_NativeWindow, nativeLabel);
        const hover::HotArea area = hover::hotArea(*form.Inner);
        EXPECT_EQ(area.window, nativeLabel ? form.Inner : nativeFrame ? form.Frame1 : static_cast<QWidget*>(&form));
        // Form at (200, 120), frame at (150, 20) in it, label at (15, 25) in the frame, 60 x 20.
        EXPECT_EQ(area.rect, (hover::HoverRectangle{365, 165, 425, 185}));
    }
    HoverTestForm form;
    EXPECT_EQ(hover::formOf(form.Inner), &form);
    EXPECT_EQ(hover::formOf(&form), nullptr) << "a form is never its own form";
    EXPECT_FALSE(hover::invokeByName(nullptr, QStringLiteral("Label_MouseIn")));
    // Only public slots and invokables without arguments; one that throws runs but counts as failed.
    // name, called, ran
    const std::tuple<const char*, bool, bool> calls[] = {{"Label_MouseIn", 1, 1},
                                                         {"Invokable_MouseIn", 1, 1},
                                                         {"Hidden_MouseIn", 0, 0},
                                                         {"Signal_MouseIn", 0, 0},
                                                         {"Label_MouseInWith", 0, 0},
                                                         {"Missing_MouseIn", 0, 0},
                                                         {"", 0, 0},
                                                         {"Thrower_MouseIn", 0, 1}};
    for (const auto& [name, called, ran] : calls) {
        form.log.clear();
        EXPECT_EQ(hover::invokeByName(&form, QString::fromLatin1(name)), called) << name;
        EXPECT_EQ(form.log.join(u' '), ran ? name : "") << name;
    }
}

}  // namespace
}  // namespace kiebitz

#include "hover_test.moc"
