#pragma once

// Tests wait for the event they need, never for a guessed delay. The bound
// is generous: it is only reached when the event never comes.

#include <QtWidgets>

#include <gtest/gtest.h>

namespace kiebitz::test {

constexpr int kEventBoundMs = 30'000;

// Runs events until `done` holds, for at most `boundMs`; whether it holds.
inline bool runUntil(const std::function<bool()>& done, int boundMs = kEventBoundMs)
{
    for (const QDeadlineTimer bound(boundMs); !done() && !bound.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// Runs `act` once on the modal window as soon as one is up, as a user would;
// the running event loop looks every 10 ms, for at most kEventBoundMs. `act`
// ends the modal window; one left open is closed, so that a failing test
// ends. The looking stops when the returned timer goes out of scope.
[[nodiscard]] inline std::unique_ptr<QTimer> whenModal(std::function<void(QWidget*)> act)
{
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout, poll.get(),
                     [timer = poll.get(), bound = QDeadlineTimer(kEventBoundMs), act = std::move(act)] {
                         const QPointer<QWidget> modal = QApplication::activeModalWidget();
                         if (modal || bound.hasExpired())
                             timer->stop();
                         if (!modal)
                             return;
                         act(modal);
                         if (modal && modal == QApplication::activeModalWidget()) {
                             ADD_FAILURE() << "the modal window stayed open";
                             modal->close();
                         }
                     });
    poll->start(10);
    return poll;
}

}  // namespace kiebitz::test
