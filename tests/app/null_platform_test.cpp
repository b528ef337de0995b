// The program over a desktop that offers nothing but a settings store and an
// accessibility switch that is off: every other facility is its null object.

#include "app/main_window.h"
#include "platform/accessibility.h"
#include "settings/keys.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/memory_settings_store.h"

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

class OffSwitch : public platform::AccessibilitySwitch {
public:
    State state() override { return State::Off; }
    bool switchOn() override { return switchedOn = true; }
    bool switchedOn = false;
};

}  // namespace

// The commands run to their end (no network: the synchronisation returns at
// once), find nothing and show nothing. The unseen question for the page list
// counts as declined, and with no window list no other instance holds the
// placement back.
TEST(NullPlatform, CommandsFindNothingAndAskNobody)
{
    test::MemorySettingsStore store;
    OffSwitch accessibility;
    platform::Platform p;
    p.settings = &store;
    p.accessibility = &accessibility;
    app::ProgramState state;
    app::Form1 form(p, state);
    form.Form1init();
    state.auction.ItemNumber = QStringLiteral("1234567890");
    for (app::VbLabel* command : {form.Lbl_GetArtikel, form.Lbl_GetTime, form.Lbl_GoItem}) {
        emit command->mouseMoved();
        emit command->clicked();
    }
    EXPECT_EQ(form.Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_FALSE(form.Timer1->isEnabled());
    EXPECT_FALSE(accessibility.switchedOn);
    const auto stored = [&](const QString& key) {
        return store.values.value(test::MemorySettingsStore::path(settings::kApp, settings::kSection, key));
    };
    EXPECT_EQ(stored(settings::key::seitenliste), QStringLiteral("0"));

    settings::WidgetPlacement placement(form);
    settings::save_WindowPos(placement, p, settings::kApp, settings::kSection);
    EXPECT_FALSE(stored(settings::key::Left).isEmpty());
}
