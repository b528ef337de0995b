#include "app/kiebitz_main.h"

#include "core/program_values.h"
#include "settings/keys.h"

#include <QDir>

namespace kiebitz::app {

std::unique_ptr<Form1> Main(const platform::Platform& platform, ProgramState& state)
{
    state.values.LinkColor = core::rgb(0, 0, 255);
    state.values.LinkHoverColor = core::rgb(255, 102, 18);
    settings::ensureInstallDir(*platform.settings, platform.programFolder);

    auto form = std::make_unique<Form1>(platform, state);
    form->Form1init();

    state.helpFile = platform.programFolder + QDir::separator() + QStringLiteral("kiebitz.chm");
    form->show();
    return form;
}

}  // namespace kiebitz::app
