#pragma once

// The doubles most tests need, and a Platform that wires them up; every
// other facility stays the null object until a test puts a double in.

#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "platform/window_flash.h"
#include "support/fake_clock.h"
#include "support/fake_time_zone.h"
#include "support/fake_window_list.h"
#include "support/memory_settings_store.h"

#include <QStringList>

#include <vector>

namespace kiebitz::test {

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
        return 1;  // the first button
    }
    std::vector<Shown> shown;
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
