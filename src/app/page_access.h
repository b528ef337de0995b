#pragma once

// After a click on "Artikel übernehmen" that found no auction: the offer to
// let browsers list their pages, so that auctions in background tabs and in
// windows without a readable title are found too.

#include "platform/platform.h"

namespace kiebitz::app {

inline const QString kPageAccessQuestion =
    QStringLiteral("Kiebitz hat keine Auktion gefunden.\n\n"
                   "Auktionen in Hintergrund-Tabs findet Kiebitz, wenn die Browser ihre Seiten über die "
                   "Barrierefreiheit des Desktops melden. Soll Kiebitz diese Funktion jetzt einschalten?\n\n"
                   "Klicken Sie danach erneut auf 'Artikel übernehmen'. Chromium meldet seine Seiten erst nach "
                   "einem Neustart mit --force-renderer-accessibility.");

// Asks once (the answer is kept in the store) while the desktop's switch is
// off, and switches it on when the user agrees; once agreed, later sessions
// switch it on without asking. Does nothing where the desktop has no switch.
void offer_PageAccess(const platform::Platform& platform);

}  // namespace kiebitz::app
