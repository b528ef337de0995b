#include "timing/clock_sync.h"

#include "core/program_values.h"
#include "core/read_datetime.h"
#include "core/text.h"
#include "diagnostics/error_report.h"
#include "platform/http_control.h"
#include "platform/message_box.h"
#include "platform/system_clock.h"
#include "timing/time_zones.h"

#include <QStringList>

#include <algorithm>
#include <exception>

namespace kiebitz::timing {

namespace {

const QString kMonthLetters = QStringLiteral("janfebmaraprmayjunjulaugsepoctnovdec");

// Character by character, so that positions in the result are positions in
// the original ("ß" stays one character).
QString upperSameLength(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}

QString lowerSameLength(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = c.toLower();
    return out;
}

// Sets a flag for the lifetime of the guard, cleared on every way out.
class BusyMark {
public:
    explicit BusyMark(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyMark() { m_flag = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& m_flag;
};

}  // namespace

TimePageReading read_TimePage(const QString& page)
{
    using Outcome = TimePageReading::Outcome;
    const QString text = page.left(platform::HttpControl::kMaxBodyChars);
    const QString upper = upperSameLength(text);

    TimePageReading reading;
    QString zone = QStringLiteral("GMT");
    qsizetype p = core::InStr(upper, zone);
    if (p == 0) {
        zone = QStringLiteral("BST");
        p = core::InStr(upper, zone);
    }
    if (p <= 0)
        return reading;
    reading.zoneWord = zone;
    reading.outcome = Outcome::Unreadable;

    // 21 characters ending two before the zone word; a window that would
    // begin before the first character is unreadable.
    if (p - 22 < 1)
        return reading;
    QString window = core::Mid(text, p - 22, 21);
    window.remove(u',');
    window = core::Trim(window);
    const QStringList parts = window.split(u' ');  // every single blank splits
    if (parts.size() < 4)
        return reading;

    // Only a whole three-letter abbreviation names a month; a shorter or
    // straddling piece of the letter row ("an", "ebm") does not.
    const QString token = core::Trim(lowerSameLength(parts[1]));
    const qsizetype q = token.size() == 3 ? core::InStr(kMonthLetters, token) : 0;
    if (q == 0 || (q - 1) % 3 != 0)
        return reading;
    const QString month = QString::number((q + 2) / 3).rightJustified(2, u'0');

    const QString dateTime = parts[0] + u'.' + month + u'.' + parts[2] + u' ' + parts[3];
    const core::DateValue value = core::read_DateTime(dateTime);
    if (value == core::kZeroDate)
        return reading;
    reading.pageTime = value;
    reading.outcome = Outcome::Read;
    return reading;
}

ClockSync::ClockSync(const platform::Platform& platform, SyncAddresses addresses)
    : m_platform(platform), m_addresses(std::move(addresses))
{
    m_platform.http->setStateHandler([this](std::int16_t state) { Inet1_StateChanged(state); });
}

ClockSync::~ClockSync() { m_platform.http->setStateHandler({}); }

void ClockSync::Inet1_StateChanged(std::int16_t state)
{
    if (!m_firstResponseWatch || state != platform::HttpControl::ReceivingResponse)
        return;
    m_responseStamp = core::fromQDateTime(m_platform.clock->now());
    m_firstResponseWatch = false;
}

void ClockSync::request(const QString& url, const QString& headerLines)
{
    platform::HttpControl& http = *m_platform.http;
    http.execute(url, headerLines);
    while (http.stillExecuting() && !m_cancelled)
        http.doEvents();
}

void ClockSync::cancel()
{
    if (!m_busy)
        return;
    m_cancelled = true;
    m_platform.http->cancel();
}

void ClockSync::sync_Clock(bool showOutcome)
{
    if (m_busy)
        return;
    const BusyMark mark(m_busy);
    m_cancelled = false;
    m_firstResponseWatch = true;

    request(m_addresses.timePage, kTimePageHeader);
    if (m_cancelled)
        return;
    const QString answer = m_platform.http->getChunk(platform::HttpControl::kMaxBodyChars);

    const TimePageReading page = read_TimePage(answer);
    if (page.outcome == TimePageReading::Outcome::NoTimeInformation) {
        m_statusText = kStatusNoTime;
    } else if (page.outcome == TimePageReading::Outcome::Read && setClockFrom(page)) {
        m_statusText = kStatusUpdated;
    } else {
        m_statusText = kStatusUnexpected;
        diagnostics::WriteLog(m_platform, answer);
    }

    if (m_cancelled)
        return;

    // The maker's site learns the version in use; its answer is not read.
    request(m_addresses.version, versionRequestHeader(core::versionText()));

    if (showOutcome && !m_cancelled)
        m_platform.messages->show(m_statusText, 0, kAppTitle);
}

bool ClockSync::setClockFrom(const TimePageReading& page)
{
    try {
        const platform::TimeZone& zone = *m_platform.timeZone;
        const core::DateValue local = convert_ToLocal(convert_ToGMT(page.pageTime, page.zoneWord, zone), zone);
        if (local == core::kZeroDate)
            return false;

        // Seconds since the answer began to arrive. Without a stamp from
        // this run there is nothing to add; a clock that went backwards in
        // the meantime adds nothing either.
        std::int64_t elapsed = 0;
        if (!m_firstResponseWatch)
            elapsed = std::max<std::int64_t>(
                0, core::secondsBetween(m_responseStamp, core::fromQDateTime(m_platform.clock->now())));
        const core::CivilTime newTime = core::toCivil(core::addSeconds(local, elapsed));

        platform::SystemClock& clock = *m_platform.clock;
        if (!clock.setTimeOfDay(QTime(newTime.hour, newTime.minute, newTime.second)))
            return false;
        // The page's own date, before the zone move, against today's.
        const std::int64_t days = core::daysBetween(core::fromQDateTime(clock.now()), page.pageTime);
        if (m_cancelled)
            return false;
        if (days < 3 && !clock.setDate(QDate(newTime.year, newTime.month, newTime.day)))
            return false;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace kiebitz::timing
