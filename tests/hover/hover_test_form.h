#pragma once

// A form whose controls report entering and leaving into a log, the way a
// real window names its callbacks.

#include "core/runtime_error.h"

#include <QFrame>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace kiebitz::test {

class HoverTestForm : public QWidget {
    Q_OBJECT
public:
    explicit HoverTestForm(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("HoverTestForm"));
        resize(300, 200);
        Label = makeLabel(this, QStringLiteral("Label"), QRect(10, 10, 80, 20));
        Label2 = makeLabel(this, QStringLiteral("Label2"), QRect(10, 40, 80, 20));
        Silent = makeLabel(this, QStringLiteral("Silent"), QRect(10, 70, 80, 20));
        Hidden = makeLabel(this, QStringLiteral("Hidden"), QRect(10, 100, 80, 20));
        Thrower = makeLabel(this, QStringLiteral("Thrower"), QRect(10, 130, 80, 20));
        Frame1 = new QFrame(this);
        Frame1->setObjectName(QStringLiteral("Frame1"));
        Frame1->setGeometry(150, 20, 120, 100);
        Inner = makeLabel(Frame1, QStringLiteral("Inner"), QRect(15, 25, 60, 20));
    }

    static QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry)
    {
        auto* label = new QLabel(name, parent);
        label->setObjectName(name);
        label->setGeometry(geometry);
        label->setMouseTracking(true);
        return label;
    }

    QLabel* Label = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Silent = nullptr;   // the form has no callbacks for it
    QLabel* Hidden = nullptr;   // its callbacks are not public
    QLabel* Thrower = nullptr;  // its callback fails
    QFrame* Frame1 = nullptr;
    QLabel* Inner = nullptr;
    QStringList log;

public slots:
    void Label_MouseIn() { log << QStringLiteral("Label_MouseIn"); }
    void Label_MouseOut() { log << QStringLiteral("Label_MouseOut"); }
    void Label2_MouseIn() { log << QStringLiteral("Label2_MouseIn"); }
    void Label2_MouseOut() { log << QStringLiteral("Label2_MouseOut"); }
    void Inner_MouseIn() { log << QStringLiteral("Inner_MouseIn"); }
    void Inner_MouseOut() { log << QStringLiteral("Inner_MouseOut"); }
    void Thrower_MouseIn()
    {
        log << QStringLiteral("Thrower_MouseIn");
        throw core::RuntimeError::invalidArgument();
    }
    void Thrower_MouseOut() { log << QStringLiteral("Thrower_MouseOut"); }

    // Not a zero-argument callback: must not be taken for one.
    void Label_MouseInWith(int) { log << QStringLiteral("wrong"); }

public:
    Q_INVOKABLE void Invokable_MouseIn() { log << QStringLiteral("Invokable_MouseIn"); }

signals:
    void Signal_MouseIn();

private slots:
    void Hidden_MouseIn() { log << QStringLiteral("Hidden_MouseIn"); }
    void Hidden_MouseOut() { log << QStringLiteral("Hidden_MouseOut"); }
};

}  // namespace kiebitz::test
