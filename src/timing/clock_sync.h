#pragma once

// Setting the PC's clock from eBay's official time page.

#include "core/datetime.h"
#include "platform/platform.h"

#include <QString>

#include <cstdint>

namespace kiebitz::timing {

// Where the synchronisation asks; tests point both at a local server.
struct SyncAddresses {
    QString timePage;
    QString version;
};

inline const QString kTimePageSite = QStringLiteral("http://cgi1.ebay.co.uk");
inline const QString kTimePagePath = QStringLiteral("/aw-cgi/eBayISAPI.dll?TimeShow");
inline const QString kMakerSite = QStringLiteral("http://www.tickwerk.de");
inline const QString kVersionPath = QStringLiteral("/version");

inline SyncAddresses defaultSyncAddresses() { return {kTimePageSite + kTimePagePath, kMakerSite + kVersionPath}; }

// Header lines of the two requests.
inline const QString kTimePageHeader =
    QStringLiteral("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n");
inline QString versionRequestHeader(const QString& versionText)
{
    return QStringLiteral("User-Agent: Tickwerk - ") + versionText + QStringLiteral(" - \r\n");
}

// The outcome texts of a run.
inline const QString kStatusUpdated = QStringLiteral("Die Systemuhr wurde aktualisiert.");
inline const QString kStatusNoTime = QStringLiteral("Keine Zeitinformationen erhalten.");
inline const QString kStatusUnexpected = QStringLiteral("unerwarteter Seiteninhalt");

// Title of the message box that shows the outcome.
inline const QString kAppTitle = QStringLiteral("Kiebitz");

// What the time page says.
struct TimePageReading {
    enum class Outcome {
        NoTimeInformation,  // neither "GMT" nor "BST" in the page
        Unreadable,         // a zone word, but no date and time before it
        Read,
    };
    Outcome outcome = Outcome::NoTimeInformation;
    QString zoneWord;                            // "GMT" or "BST" unless NoTimeInformation
    core::DateValue pageTime = core::kZeroDate;  // the page's time in its own zone; only when Read
};

// Reads the date and time that stand before the zone word of the page (only
// its first 18192 characters are looked at), as in
// "Tuesday, 14 Mar 2006 17:30:00 GMT": the first "GMT" in any letter case,
// else the first "BST"; the 21 characters ending two before it, without
// commas, give day, English month abbreviation, four-digit year and time.
TimePageReading read_TimePage(const QString& page);

// The clock synchronisation. One instance lives for the whole run; it owns
// the busy mark, the first-response watch and the response stamp, and takes
// the HTTP control's state changes while it exists.
class ClockSync {
public:
    // `platform` (copied; the facilities must outlive this) needs clock,
    // http, messages, timeZone and programFolder.
    explicit ClockSync(const platform::Platform& platform, SyncAddresses addresses = defaultSyncAddresses());
    ~ClockSync();
    ClockSync(const ClockSync&) = delete;
    ClockSync& operator=(const ClockSync&) = delete;

    // Fetches the time page, sets time of day and (within three days) the
    // date, reports to the maker's site and, with `showOutcome`, shows the
    // outcome. Waits for the server with pending events running; a call
    // made while a run waits returns at once.
    void sync_Clock(bool showOutcome = true);

    // Ends a run that is waiting (for the server or for the clock to be
    // set): it returns without touching the clock any further, without the
    // version request and without a message. Used when the program closes.
    void cancel();

    // The HTTP control's state change: state 7 (the response begins to
    // arrive) takes the response stamp once per run.
    void Inet1_StateChanged(std::int16_t state);

    bool busy() const { return m_busy; }
    const QString& statusText() const { return m_statusText; }

private:
    // GET with the header lines; returns when the control is done.
    void request(const QString& url, const QString& headerLines);
    bool setClockFrom(const TimePageReading& page);

    platform::Platform m_platform;
    SyncAddresses m_addresses;

    bool m_busy = false;
    bool m_cancelled = false;
    bool m_firstResponseWatch = false;
    // Local date and time at which the time page's answer began to arrive.
    core::DateValue m_responseStamp = core::kZeroDate;
    QString m_statusText;
};

}  // namespace kiebitz::timing
