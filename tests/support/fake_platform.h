#pragma once

// Test doubles of the desktop facilities and a Platform that wires them up.

#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/settings_store.h"
#include "platform/sound.h"
#include "platform/system_clock.h"
#include "platform/window_flash.h"
#include "platform/window_list.h"
#include "support/fake_time_zone.h"

#include <QMap>
#include <QStringList>

#include <functional>
#include <vector>

namespace kiebitz::test {

// A clock that only moves when the test moves it.
class FakeClock : public platform::SystemClock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0))) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    void advanceSeconds(qint64 s) { m_now = m_now.addSecs(s); }

    // Setting records each call; a successful one moves the clock as the
    // real one would. `refuseSetting` makes both setters fail.
    bool setTimeOfDay(const QTime& time) override
    {
        timesSet.push_back(time);
        if (refuseSetting)
            return false;
        m_now = QDateTime(m_now.date(), time);
        return true;
    }
    bool setDate(const QDate& date) override
    {
        datesSet.push_back(date);
        if (refuseSetting)
            return false;
        m_now = QDateTime(date, m_now.time());
        return true;
    }
    std::vector<QTime> timesSet;
    std::vector<QDate> datesSet;
    bool refuseSetting = false;

private:
    QDateTime m_now;
};

// Records every call as "stop" or "play:<file>".
class RecordingSound : public platform::Sound {
public:
    void stop() override { calls << QStringLiteral("stop"); }
    void playAsync(const QString& file) override { calls << QStringLiteral("play:") + file; }
    QStringList calls;
};

class RecordingFlash : public platform::WindowFlash {
public:
    void flash(quintptr windowId) override { flashed.push_back(windowId); }
    std::vector<quintptr> flashed;
};

class RecordingMessageBox : public platform::MessageBox {
public:
    struct Shown {
        QString text;
        int style;
        QString title;
        platform::HelpReference help;
    };
    int show(const QString& text, int style, const QString& title, const platform::HelpReference& help) override
    {
        shown.push_back({text, style, title, help});
        return pressed;
    }
    std::vector<Shown> shown;
    int pressed = 1;  // the button every box answers with
};

// Keys are "app/section/key".
class MemorySettingsStore : public platform::SettingsStore {
public:
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& defaultValue) const override
    {
        return values.value(path(app, section, key), defaultValue);
    }
    bool save(const QString& app, const QString& section, const QString& key, const QString& value) override
    {
        writes << key;
        if (refused.contains(key))
            return false;
        values[path(app, section, key)] = value;
        return true;
    }
    static QString path(const QString& app, const QString& section, const QString& key)
    {
        return app + u'/' + section + u'/' + key;
    }
    QMap<QString, QString> values;
    QStringList writes;   // every key asked to be saved, kept or not
    QStringList refused;  // keys the store fails to keep
};

// A desktop of windows the test lays out, topmost first.
class FakeWindowList : public platform::WindowList {
public:
    std::vector<platform::WindowEntry> windows() override
    {
        ++reads;
        if (onRead)
            onRead();
        return entries;
    }
    std::uint32_t style(platform::WindowId id) override { return platform::styleIn(entries, id); }
    std::vector<platform::WindowEntry> entries;
    int reads = 0;                 // calls of windows()
    std::function<void()> onRead;  // runs at each read, before the list is handed out
};

struct FakePlatform {
    FakeClock clock;
    RecordingSound sound;
    RecordingFlash flash;
    RecordingMessageBox messages;
    MemorySettingsStore settings;
    FakeWindowList windows;
    FakeTimeZone timeZone = FakeTimeZone::centralEuropeWinter();

    platform::Platform platform(const QString& programFolder = QStringLiteral("/opt/kiebitz"))
    {
        platform::Platform p;
        p.clock = &clock;
        p.sound = &sound;
        p.flash = &flash;
        p.messages = &messages;
        p.settings = &settings;
        p.windows = &windows;
        p.timeZone = &timeZone;
        p.programFolder = programFolder;
        return p;
    }
};

}  // namespace kiebitz::test
