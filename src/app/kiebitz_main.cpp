#include "app/kiebitz_main.h"

#include "core/program_values.h"
#include "settings/keys.h"

#include <QDir>
#include <QTimer>

namespace kiebitz::app {

std::unique_ptr<Form1> Main(const platform::Platform& platform, ProgramState& state,
                            timing::SyncAddresses syncAddresses)
{
    state.values.LinkColor = core::rgb(0, 0, 255);
    state.values.LinkHoverColor = core::rgb(255, 102, 18);
    settings::ensureInstallDir(*platform.settings, platform.programFolder);

    auto form = std::make_unique<Form1>(platform, state);
    form->setSyncAddresses(std::move(syncAddresses));
    form->Form1init();

    state.helpFile = platform.programFolder + QDir::separator() + QStringLiteral("kiebitz.chm");
    form->show();

    // Only exactly 1 synchronises at start; the countdown pauses meanwhile
    // and its next tick switches the timer off again when nothing is followed.
    // The run starts from the event loop, so that a close while it waits
    // ends the program as every other close does.
    if (state.settings.synconstart == 1) {
        form->Timer1->setEnabled(false);
        QTimer::singleShot(0, form.get(), [f = form.get()] {
            f->sync_Clock();
            f->Timer1->setEnabled(true);
        });
    }
    return form;
}

}  // namespace kiebitz::app
