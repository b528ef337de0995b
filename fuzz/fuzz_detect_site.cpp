#include "fuzz_input.h"
#include "timing/end_date.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kiebitz;
    static const QStringList sites = {QString(), "de", "com", "fr", "es", "it", "nl",
                                      "uk",      "au", "ca",  "my", "ph", "sg"};
    fuzz::Input in(data, size);
    const QString phrase = in.text();
    const QString zone = in.text(true);
    const QString site = timing::detect_Site(phrase, zone);
    fuzz::check(sites.contains(site));
    // The phrase counts only for "CET" and "CEST".
    const QString upper = zone.toUpper();
    if (upper != u"CET" && upper != u"CEST")
        fuzz::check(timing::detect_Site(QString(), zone) == site);
    return 0;
}
