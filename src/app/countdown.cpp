#include "app/countdown.h"

#include "core/program_values.h"

namespace kiebitz::app {

CountdownFrame countdownFrame(std::int64_t remaining)
{
    const std::int64_t days = floorDiv(remaining, 86400);
    const std::int64_t hoursTotal = floorDiv(remaining, 3600);
    const std::int64_t minutesTotal = floorDiv(remaining, 60);

    QString dayText;
    if (days == 1)
        dayText = QStringLiteral("1 Tag");
    else if (days > 1)
        dayText = QString::number(days) + QStringLiteral(" Tage");

    QString hourText;
    if (hoursTotal > 0) {
        const std::int64_t h = hoursTotal - 24 * days;
        hourText = h == 1 ? QStringLiteral("1 Stunde") : QString::number(h) + QStringLiteral(" Stunden");
    }

    QString minuteText;
    if (minutesTotal > 0) {
        const std::int64_t m = minutesTotal - 60 * hoursTotal;
        minuteText = m == 1 ? QStringLiteral("1 Minute") : QString::number(m) + QStringLiteral(" Minuten");
    }

    const std::int64_t s = remaining - 60 * minutesTotal;
    const QString secondText =
        minutesTotal > 0 ? QString::number(s) + QStringLiteral(" Sekunden") : QString::number(s);

    const QString crlf = QStringLiteral("\r\n");
    CountdownFrame f;
    f.secondText = secondText;
    if (remaining <= 0) {
        f.band = Band::End;
        f.timerEnabled = false;
        f.text = QStringLiteral("Auktion") + crlf + QStringLiteral("beendet");
        f.fontPt = 16;
        f.color = 0;
        f.updateAlways = true;
    } else if (remaining < 60) {
        f.band = Band::FinalMinute;
        f.timerEnabled = true;
        f.intervalMs = 1000;
        f.text = secondText;
        f.fontPt = double(72 - remaining);
        f.color = core::rgb(int(236 - 4 * remaining), 0, 0);
        f.updateAlways = true;
    } else if (remaining < 3600) {
        f.band = Band::Minutes;
        f.timerEnabled = true;
        f.intervalMs = 200;
        f.text = minuteText + crlf + secondText;
    } else if (remaining < 86400) {
        f.band = Band::Hours;
        f.timerEnabled = true;
        f.intervalMs = 500;
        f.text = hourText + crlf + minuteText;
    } else {
        f.band = Band::Days;
        f.timerEnabled = true;
        f.intervalMs = 500;
        f.text = dayText + crlf + hourText;
    }
    return f;
}

}  // namespace kiebitz::app
