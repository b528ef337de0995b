#pragma once

// The null object of every facility: what a desktop that lacks the facility
// offers. A new Platform holds these until real ones or doubles replace them,
// so no part ever checks whether a facility is there.

#include "platform/accessibility.h"
#include "platform/dde_client.h"
#include "platform/file_dialog.h"
#include "platform/http_control.h"
#include "platform/message_box.h"
#include "platform/pointer.h"
#include "platform/settings_store.h"
#include "platform/shell_open.h"
#include "platform/shell_windows.h"
#include "platform/sound.h"
#include "platform/system_clock.h"
#include "platform/time_zone.h"
#include "platform/window_flash.h"
#include "platform/window_list.h"

namespace kiebitz::platform {

// The clock as this process reads it; the program may not set it.
class ReadOnlyClock : public SystemClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    bool setTimeOfDay(const QTime&) override { return false; }
    bool setDate(const QDate&) override { return false; }
};

class NoSound : public Sound {
public:
    void stop() override {}
    void playAsync(const QString&) override {}
};

class NoWindowFlash : public WindowFlash {
public:
    void flash(quintptr) override {}
};

// Shows nothing and answers as a box the user closed at once.
class NoMessageBox : public MessageBox {
public:
    int show(const QString&, int style, const QString&, const HelpReference&) override
    {
        return (style & 0x7) == kYesNo ? kNoPressed : kOkPressed;
    }
};

// Keeps nothing: every key reads its default.
class NoSettingsStore : public SettingsStore {
public:
    QString get(const QString&, const QString&, const QString&, const QString& defaultValue) const override
    {
        return defaultValue;
    }
    bool save(const QString&, const QString&, const QString&, const QString&) override { return false; }
};

class NoWindowList : public WindowList {
public:
    std::vector<WindowEntry> windows() override { return {}; }
    std::uint32_t style(WindowId) override { return 0; }
};

class NoShellWindows : public ShellWindows {
public:
    std::optional<std::vector<ShellBrowserEntry>> browserWindows(const std::vector<WindowEntry>&) override
    {
        return std::nullopt;
    }
};

// Every request goes unanswered, as one to a browser that does not run.
class NoDdeClient : public DdeClient {
public:
    std::optional<QString> request(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

class NoAccessibilitySwitch : public AccessibilitySwitch {
public:
    State state() override { return State::Unavailable; }
    bool switchOn() override { return false; }
};

// No network: every request ends at once with an empty answer.
class NoHttpControl : public HttpControl {
public:
    void execute(const QString&, const QString&) override {}
    bool stillExecuting() const override { return false; }
    void cancel() override {}
    void doEvents() override {}
    QString getChunk(qsizetype) override { return {}; }
};

// Every dialog counts as cancelled.
class NoFileDialog : public FileDialog {
public:
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

// A pointer that is never over this program's windows, with no timers.
class NoPointer : public Pointer {
public:
    QPoint cursorPos() const override { return {}; }
    QWidget* windowAt(const QPoint&) const override { return nullptr; }
    QWidget* foregroundWindow() const override { return nullptr; }
    quint32 setTimer(QWidget*, quint32, int, std::function<void()>) override { return 0; }
    bool killTimer(QWidget*, quint32) override { return false; }
};

class NoShellOpen : public ShellOpen {
public:
    bool open(const QString&) override { return false; }
};

// A PC without zone rules: local time is UTC all year.
class NoTimeZone : public TimeZone {
public:
    ZoneState stateAt(std::int64_t) const override { return {}; }
};

}  // namespace kiebitz::platform
