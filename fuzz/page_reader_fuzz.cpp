// Feeds arbitrary answers of the time page to the page reader. Besides not
// crashing or throwing, the reader must look at no more than the first 18192
// characters and give a page time only when the date-time reader read one.

#include "core/text.h"
#include "timing/clock_sync.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using kiebitz::timing::read_TimePage;
using kiebitz::timing::TimePageReading;

namespace {

void check(const QString& page)
{
    const TimePageReading r = read_TimePage(page);
    const QString head = page.left(18192);
    const TimePageReading h = read_TimePage(head);
    if (r.outcome != h.outcome || r.zoneWord != h.zoneWord || r.pageTime != h.pageTime)
        std::abort();  // something past the limit was looked at

    const bool hasZone = head.contains(QStringLiteral("GMT"), Qt::CaseInsensitive) ||
                         head.contains(QStringLiteral("BST"), Qt::CaseInsensitive);
    if ((r.outcome == TimePageReading::Outcome::NoTimeInformation) == hasZone)
        std::abort();
    if (r.outcome == TimePageReading::Outcome::Read) {
        if (r.pageTime == kiebitz::core::kZeroDate)
            std::abort();
        if (r.zoneWord != QStringLiteral("GMT") && r.zoneWord != QStringLiteral("BST"))
            std::abort();
    } else if (r.pageTime != kiebitz::core::kZeroDate) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(kiebitz::core::fromAnsi(bytes));  // as the transfer control hands it over
    check(QString::fromUtf8(bytes));        // any other characters, surrogates included
    return 0;
}
