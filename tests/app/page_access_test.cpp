// The offer to let browsers list their pages after a click found nothing.

#include "app/page_access.h"
#include "platform/accessibility.h"
#include "platform/message_box.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

class FakeSwitch : public platform::AccessibilitySwitch {
public:
    State state() override { return current; }
    bool switchOn() override
    {
        ++switchedOn;
        current = State::On;
        return true;
    }
    State current = State::Off;
    int switchedOn = 0;
};

}  // namespace

// Asked once while the switch is off, with yes as the default; the answer
// is kept, and a kept yes switches on in later sessions without asking.
TEST(PageAccess, AskedOnceAndTheAnswerKept)
{
    using State = platform::AccessibilitySwitch::State;
    struct Row {
        const char* name;
        State state;
        const char* stored;  // nullptr: never asked
        int pressed;
        bool asks;
        bool switches;
        const char* storedAfter;
    };
    const Row rows[] = {
        {"first time, yes", State::Off, nullptr, platform::kYesPressed, true, true, "1"},
        {"first time, no", State::Off, nullptr, platform::kNoPressed, true, false, "0"},
        {"yes kept", State::Off, "1", 0, false, true, "1"},
        {"no kept", State::Off, "0", 0, false, false, "0"},
        {"already on", State::On, nullptr, 0, false, false, nullptr},
        {"no switch on this desktop", State::Unavailable, nullptr, 0, false, false, nullptr},
    };
    const QString key = test::MemorySettingsStore::path("Auktionswerk", "Kiebitz", "seitenliste");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakePlatform fake;
        FakeSwitch sw;
        sw.current = row.state;
        if (row.stored)
            fake.settings.values[key] = QString::fromLatin1(row.stored);
        fake.messages.pressed = row.pressed;
        platform::Platform p = fake.platform();
        p.accessibility = &sw;

        app::offer_PageAccess(p);

        ASSERT_EQ(fake.messages.shown.size(), row.asks ? 1u : 0u);
        if (row.asks) {
            EXPECT_EQ(fake.messages.shown[0].style & 0x7, platform::kYesNo);
            EXPECT_TRUE(fake.messages.shown[0].text.contains(QStringLiteral("Hintergrund-Tabs")));
        }
        EXPECT_EQ(sw.switchedOn, row.switches ? 1 : 0);
        EXPECT_EQ(fake.settings.values.value(key, QStringLiteral("(none)")),
                  row.storedAfter ? QString::fromLatin1(row.storedAfter) : QStringLiteral("(none)"));
    }
}
