#pragma once

// German texts for Qt's own dialogs and buttons.

#include <QString>

namespace kiebitz::platform {

// Installs Qt's German translations (file dialog, message box buttons,
// context menus) from `folder`, by default Qt's own translations folder, so
// that the standard dialogs speak German like the rest of the program,
// whatever language the desktop is set to. False when none were found.
bool installGermanQtTranslations(const QString& folder = {});

}  // namespace kiebitz::platform
