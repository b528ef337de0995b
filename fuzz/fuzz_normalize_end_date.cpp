#include "core/read_datetime.h"
#include "fuzz_input.h"
#include "timing/end_date.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kiebitz;
    static const QStringList sites = {"de", "com", "fr", "es", "it", "nl", "uk", "au", "ca", "my", "ph", "sg"};
    fuzz::Input in(data, size);
    const std::uint8_t pick = in.byte();
    const QString zone = in.text();
    // Mostly a real site code, sometimes any text.
    const QString site = pick < 240 ? sites.at(pick % sites.size()) : in.text();
    const QString dateWord = in.text(true);
    const QString date = timing::normalize_EndDate(dateWord, zone, site);
    // Composition may at most triple the length of the repaired word.
    fuzz::check(date.size() <= 3 * dateWord.size() + 8);
    if (!sites.contains(site))
        fuzz::check(date.isEmpty());
    (void)core::read_DateTime(date + QStringLiteral(" 18:30:00"));
    (void)timing::repairMisdecodedUtf8(dateWord);
    return 0;
}
