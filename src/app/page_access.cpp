#include "app/page_access.h"

#include "platform/accessibility.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "settings/keys.h"
#include "timing/clock_sync.h"

namespace kiebitz::app {

void offer_PageAccess(const platform::Platform& platform)
{
    if (platform.accessibility->state() != platform::AccessibilitySwitch::State::Off)
        return;
    QString answer = platform.settings->get(settings::kApp, settings::kSection, settings::key::seitenliste, {});
    if (answer.isEmpty()) {
        const int pressed = platform.messages->show(kPageAccessQuestion, platform::kYesNo | platform::kQuestionIcon,
                                                    timing::kAppTitle);
        answer = pressed == platform::kYesPressed ? QStringLiteral("1") : QStringLiteral("0");
        platform.settings->save(settings::kApp, settings::kSection, settings::key::seitenliste, answer);
    }
    if (answer == QStringLiteral("1"))
        platform.accessibility->switchOn();
}

}  // namespace kiebitz::app
