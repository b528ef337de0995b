#pragma once

// The end-time notations of the eBay sites: which site a title comes from,
// and its end date rewritten as dd.mm.yyyy.

#include <QString>

namespace kiebitz::timing {

// Site code ("de", "com", "fr", "es", "it", "nl", "uk", "au", "ca", "my",
// "ph", "sg") of an end clause, from its zone word (any letter case) and,
// when that is "CET" or "CEST", from its five-character end phrase ("endet",
// "ends ", "fin :", "final", "scade", "loopt", any letter case). The empty
// text when neither tells the site.
QString detect_Site(const QString& endPhrase, const QString& zoneWord);

// The date word in the site's notation as dd.mm.yyyy (two-digit years are
// 20yy); for "my", "ph" and "sg" the date word with "-" as "."; the empty
// text for an unknown site. A month name that is not the site's gives a
// text that does not read as a date. The zone word is not used.
QString normalize_EndDate(const QString& dateWord, const QString& zoneWord, const QString& site);

// The text as it was meant when UTF-8 bytes were shown one byte per
// character (Latin-1 or Windows-1252, "fÃ©vr" for "févr"), in composed
// form; any other text in composed form, unchanged otherwise.
QString repairMisdecodedUtf8(const QString& text);

}  // namespace kiebitz::timing
