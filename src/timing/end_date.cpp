#include "timing/end_date.h"

#include "core/text.h"

#include <QStringDecoder>

#include <array>

namespace kiebitz::timing {

namespace {

using core::Mid;

struct ZoneSite {
    const char16_t* zone;
    const char16_t* site;
};

// In the order in which the zone words are tested.
constexpr std::array<ZoneSite, 15> kZoneSites{{
    {u"MEZ", u"de"},
    {u"MESZ", u"de"},
    {u"PST", u"com"},
    {u"PDT", u"com"},
    {u"EST", u"ca"},
    {u"EDT", u"ca"},
    {u"PARIS", u"fr"},
    {u"H.ESP", u"es"},
    {u"GMT", u"uk"},
    {u"BST", u"uk"},
    {u"AEST", u"au"},
    {u"AEDST", u"au"},
    {u"MYT", u"my"},
    {u"PHT", u"ph"},
    {u"SGT", u"sg"},
}};

// The end phrases that tell the site when the zone word is "CET" or "CEST".
constexpr std::array<ZoneSite, 6> kPhraseSites{{
    {u"endet", u"de"},
    {u"ends ", u"com"},
    {u"fin :", u"fr"},
    {u"final", u"es"},
    {u"scade", u"it"},
    {u"loopt", u"nl"},
}};

using MonthNames = std::array<const char16_t*, 12>;

constexpr MonthNames kEnglish{u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                              u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
// Four characters each: a three-letter name keeps the "-" that follows it.
constexpr MonthNames kFrench{u"janv", u"f\u00e9vr", u"mars", u"avr-", u"mai-", u"juin",
                             u"juil", u"ao\u00fbt", u"sept", u"oct-", u"nov-", u"d\u00e9c-"};
constexpr MonthNames kSpanish{u"ene", u"feb", u"mar", u"abr", u"may", u"jun",
                              u"jul", u"ago", u"sep", u"oct", u"nov", u"dic"};
constexpr MonthNames kItalian{u"gen", u"feb", u"mar", u"apr", u"mag", u"giu",
                              u"lug", u"ago", u"set", u"ott", u"nov", u"dic"};
constexpr MonthNames kDutch{u"jan", u"feb", u"mrt", u"apr", u"mei", u"jun",
                            u"jul", u"aug", u"sep", u"okt", u"nov", u"dec"};

const MonthNames* monthNamesOf(const QString& site)
{
    if (site == u"fr")
        return &kFrench;
    if (site == u"es")
        return &kSpanish;
    if (site == u"it")
        return &kItalian;
    if (site == u"nl")
        return &kDutch;
    if (site == u"uk" || site == u"au" || site == u"ca")
        return &kEnglish;
    return nullptr;
}

QString twoDigits(int month)
{
    const QString text = QString::number(month);
    return text.size() == 2 ? text : QStringLiteral("0") + text;
}

// Month field for a token that is none of the site's names: the token in
// the month's place ("0" in front unless it is two characters), which no
// date reader takes for a month. A token with digits, signs or blanks could
// still read as a number once "0" stands in front ("1-" becomes "01-"); it
// is replaced by a field that never reads as one.
QString unknownMonthField(const QString& token)
{
    for (const QChar ch : token) {
        if (!ch.isLetter())
            return QStringLiteral("--");
    }
    return token.size() == 2 ? token : QStringLiteral("0") + token;
}

}  // namespace

QString repairMisdecodedUtf8(const QString& text)
{
    bool ascii = true;
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text;

    // Each character back to the byte it was shown for; a character that
    // no single byte shows means the text was decoded properly.
    QByteArray bytes;
    bytes.reserve(text.size());
    bool representable = true;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x100) {
            bytes.append(char(u));
            continue;
        }
        const unsigned char code = core::ansiCode(ch);
        if (code < 0x80) {  // no mapping ('?') or an ASCII best fit
            representable = false;
            break;
        }
        bytes.append(char(code));
    }
    if (representable) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(bytes);
        if (!utf8.hasError())
            return decoded.normalized(QString::NormalizationForm_C);
    }
    return text.normalized(QString::NormalizationForm_C);
}

QString detect_Site(const QString& endPhrase, const QString& zoneWord)
{
    // Zone words and end phrases are five characters at most; longer text
    // matches nothing and is not worth converting.
    if (zoneWord.size() > 5)
        return {};
    const QString zone = zoneWord.toUpper();
    for (const ZoneSite& row : kZoneSites) {
        if (zone == QStringView(row.zone))
            return QString::fromUtf16(row.site);
    }
    if (zone != u"CET" && zone != u"CEST")
        return {};
    if (endPhrase.size() != 5)
        return {};
    const QString phrase = endPhrase.toLower();
    for (const ZoneSite& row : kPhraseSites) {
        if (phrase == QStringView(row.zone))
            return QString::fromUtf16(row.site);
    }
    return {};
}

QString normalize_EndDate(const QString& dateWord, const QString& zoneWord, const QString& site)
{
    Q_UNUSED(zoneWord);
    static const QString twenty = QStringLiteral("20");
    static const QString dotTwenty = QStringLiteral(".20");
    static const QString dot = QStringLiteral(".");

    if (site == u"de")
        return core::Left(dateWord, 6) + twenty + Mid(dateWord, 7);

    if (site == u"my" || site == u"ph" || site == u"sg") {
        QString date = dateWord;
        return date.replace(u'-', u'.');
    }

    if (site == u"com") {
        static const QString letters = QStringLiteral("janfebmaraprmayjunjulaugsepoctnovdec");
        const QString token = Mid(dateWord, 1, 3).toLower();
        const qsizetype p = token.size() == 3 ? core::InStr(letters, token) : 0;
        // Only a find on a name's first letter is a month ("anf" is not).
        const QString month = p > 0 && (p - 1) % 3 == 0 ? twoDigits(int((p + 2) / 3)) : unknownMonthField(token);
        return Mid(dateWord, 5, 2) + dot + month + dotTwenty + Mid(dateWord, 8);
    }

    const MonthNames* names = monthNamesOf(site);
    if (!names)
        return {};
    const bool french = names == &kFrench;
    // Accented French names compare alike whether the title came as
    // Unicode or as UTF-8 shown byte by byte.
    const QString word = french ? repairMisdecodedUtf8(dateWord) : dateWord;
    const QString token = Mid(word, 4, french ? 4 : 3).toLower();
    QString month;
    for (std::size_t i = 0; i < names->size(); ++i) {
        if (token == QStringView((*names)[i])) {
            month = twoDigits(int(i) + 1);
            break;
        }
    }
    if (month.isEmpty())
        month = unknownMonthField(token);
    // A French date word is one character shorter in the months of three
    // letters, so its year is taken from the end.
    const QString year = french ? core::Right(word, 2) : Mid(word, 8);
    return core::Left(word, 2) + dot + month + dotTwenty + year;
}

}  // namespace kiebitz::timing
