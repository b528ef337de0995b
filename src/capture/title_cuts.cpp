#include "capture/title_cuts.h"

#include "core/read_datetime.h"
#include "core/runtime_error.h"
#include "core/text.h"
#include "timing/end_date.h"
#include "timing/time_zones.h"

namespace kiebitz::capture {

namespace {

// `length` characters from `start`; unlike a bare Mid, every negative
// length is the invalid argument it is.
QString piece(const QString& text, qsizetype start, qsizetype length)
{
    if (length < 0)
        throw core::RuntimeError::invalidArgument();
    return core::Mid(text, start, length);
}

}  // namespace

core::DateValue endTimeOfClause(const QString& endClause, const QString& endPhrase, const platform::TimeZone& tz)
{
    // Split at every single blank: two blanks in a row give an empty word.
    const QStringList words = endClause.split(u' ', Qt::KeepEmptyParts);
    if (words.size() < 3)
        throw core::RuntimeError::subscriptOutOfRange();
    const QString& zoneWord = words.at(words.size() - 1);
    const QString& timeWord = words.at(words.size() - 2);
    const QString& dateWord = words.at(words.size() - 3);

    const QString site = timing::detect_Site(endPhrase, zoneWord);
    const QString date = timing::normalize_EndDate(dateWord, zoneWord, site);
    const core::DateValue t = core::read_DateTime(date + u' ' + timeWord);
    if (t == core::kZeroDate)
        return core::kZeroDate;
    return timing::convert_ToLocal(timing::convert_ToGMT(t, zoneWord, tz), tz);
}

DirectCut cutDirectTitle(const QString& c, const platform::TimeZone& tz)
{
    DirectCut cut;
    const qsizetype close = core::InStr(c, QStringLiteral(")"));
    // After ")": the blank and the dash are skipped. A short title reaches
    // the NUL that ends the title text; that NUL stays out of the item title,
    // or the caption built from it would end there and lose " Kiebitz".
    QString title = piece(c, close + 3, 38);
    if (const qsizetype nul = title.indexOf(QChar(u'\0')); nul >= 0)
        title.truncate(nul);
    cut.itemTitle = core::Trim(title);
    cut.itemNumber = piece(c, core::InStr(c, QStringLiteral(" (")) - 10, 10);
    const QString endClause = core::Trim(piece(c, close - 30, 30));
    const QString endPhrase = piece(c, core::InStr(c, QStringLiteral("(")) + 1, 5);
    cut.end = endTimeOfClause(endClause, endPhrase, tz);
    return cut;
}

core::DateValue cutFallbackTitle(const QString& t, AuctionRecord& record, int& marker, const platform::TimeZone& tz)
{
    marker = 130;
    const qsizetype p1 = core::InStr(t, QStringLiteral(": ")) + 2;
    const qsizetype p2 = core::InStrRev(t, QStringLiteral(" ("));
    record.AuctionTitle = core::Trim(piece(t, p1, p2 - p1));
    // The item number stands between the blanks after " (" and its word.
    const qsizetype p3 = core::InStr(p2 + 2, t, QStringLiteral(" ")) + 1;
    const qsizetype p4 = core::InStr(p3, t, QStringLiteral(" "));
    record.ItemNumber = piece(t, p3, p4 - p3);

    marker = 60;
    const qsizetype p5 = core::InStrRev(t, QStringLiteral(")"));
    const QString endClause = core::Trim(piece(t, p5 - 30, 30));
    const QString endPhrase = piece(t, core::InStr(p1, t, QStringLiteral("(")) + 1, 5);
    return endTimeOfClause(endClause, endPhrase, tz);
}

}  // namespace kiebitz::capture
