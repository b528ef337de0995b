// Site detection and the end-date notations of the sites, read back through
// the date reader the capture code uses next.

#include "timing/end_date.h"

#include "core/read_datetime.h"
#include "core/text.h"

#include <gtest/gtest.h>

namespace kiebitz::timing {
namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

TEST(DetectSite, ZoneWordThenEndPhrase)
{
    struct Row {
        const char* phrase;
        const char* zone;
        const char* site;
    };
    const Row rows[] = {
        {"endet", "MEZ", "de"},
        {"xxxxx", "MESZ", "de"},
        {"", "mesz", "de"},
        {"ends ", "PST", "com"},
        {"", "pdt", "com"},
        {"", "EST", "ca"},
        {"", "EDT", "ca"},
        {"", "Paris", "fr"},
        {"", "h.esp", "es"},
        {"", "GMT", "uk"},
        {"", "BST", "uk"},
        {"", "AEST", "au"},
        {"", "AEDST", "au"},
        {"", "MYT", "my"},
        {"", "PHT", "ph"},
        {"", "SGT", "sg"},
        // The zone word wins over the phrase.
        {"scade", "MEZ", "de"},
        // "CET"/"CEST": the end phrase, any letter case, compared whole.
        {"endet", "CET", "de"},
        {"Ends ", "CEST", "com"},
        {"FIN :", "cet", "fr"},
        {"Final", "CET", "es"},
        {"Scade", "CET", "it"},
        {"loopt", "cest", "nl"},
        {"ends", "CET", ""},  // four characters: the blank is part of the phrase
        {"endets", "CET", ""},
        {"scadw", "CET", ""},
        {"", "CEST", ""},
        // Unknown zone words never look at the phrase.
        {"endet", "JST", ""},
        {"endet", "", ""},
        {"endet", " MEZ", ""},
        {"endet", "MEZ ", ""},
        {"endet", "ME", ""},
        {"endet", "CETX", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.phrase) + "|" + r.zone);
        EXPECT_EQ(detect_Site(u8(r.phrase), u8(r.zone)), u8(r.site));
    }
}

TEST(NormalizeEndDate, EverySiteToGermanDate)
{
    struct Row {
        const char* site;
        const char* date;
        const char* expect;
    };
    const Row rows[] = {
        {"de", "12.03.06", "12.03.2006"},
        {"com", "Mar-12-06", "12.03.2006"},
        {"com", "Dec-31-06", "31.12.2006"},
        {"com", "JAN-02-07", "02.01.2007"},
        {"ca", "12-Mar-06", "12.03.2006"},
        {"uk", "12-mar-06", "12.03.2006"},
        {"au", "30-Nov-06", "30.11.2006"},
        {"es", "12-ago-06", "12.08.2006"},
        {"es", "24-DIC-06", "24.12.2006"},
        {"it", "05-ott-06", "05.10.2006"},
        {"it", "01-gen-07", "01.01.2007"},
        {"nl", "12-mrt-06", "12.03.2006"},
        {"nl", "12-mar-06", "12.0mar.2006"},  // not a Dutch name: the token stays
        {"fr", "12-mars-06", "12.03.2006"},
        {"fr", "01-janv-07", "01.01.2007"},
        {"fr", "03-avr-06", "03.04.2006"},  // three-letter name: year from the end
        {"fr", "15-oct-06", "15.10.2006"},
        {"my", "12-03-2006", "12.03.2006"},
        {"ph", "01-12-2006", "01.12.2006"},
        {"sg", "12-03-2006", "12.03.2006"},
        {"", "12.03.06", ""},
        {"DE", "12.03.06", ""},  // site codes are exact
        {"jp", "12-03-06", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.site) + " " + r.date);
        EXPECT_EQ(normalize_EndDate(u8(r.date), QStringLiteral("MEZ"), u8(r.site)), u8(r.expect));
    }
}

// The accented French names in every form a title can bring them: Unicode,
// decomposed Unicode, upper case, and UTF-8 bytes shown one per character
// (as Latin-1 and as Windows-1252).
TEST(NormalizeEndDate, AccentedFrenchMonthsInEveryEncoding)
{
    struct Row {
        const char* utf8;
        const char* expect;
    };
    const Row rows[] = {
        {"14-févr-07", "14.02.2007"}, {"01-août-06", "01.08.2006"}, {"15-déc-06", "15.12.2006"},
        {"15-DÉC-06", "15.12.2006"},  {"09-FÉVR-07", "09.02.2007"},
    };
    for (const Row& r : rows) {
        const QString proper = u8(r.utf8);
        const QByteArray bytes(r.utf8);
        const QString forms[] = {
            proper,
            proper.normalized(QString::NormalizationForm_D),
            QString::fromLatin1(bytes),
            core::fromAnsi(bytes),
        };
        for (const QString& form : forms) {
            SCOPED_TRACE(form.toStdString());
            EXPECT_EQ(normalize_EndDate(form, QStringLiteral("PARIS"), QStringLiteral("fr")), u8(r.expect));
        }
    }
    // Text in the code page itself, decoded properly, is left alone.
    EXPECT_EQ(repairMisdecodedUtf8(core::fromAnsi("d\xE9"
                                                  "c")),
              u8("déc"));
    EXPECT_EQ(repairMisdecodedUtf8(u8("Ã©")), u8("é"));
    EXPECT_EQ(repairMisdecodedUtf8(u8("Ã")), u8("Ã"));  // not complete UTF-8
}

// What the capture code does next: the normalised date and the time word
// must read as the right moment, and a wrong month must read as no date.
TEST(NormalizeEndDate, ReadsBackOrNotAtAll)
{
    struct Row {
        const char* site;
        const char* date;
        bool readable;
    };
    const Row rows[] = {
        {"com", "Mar-12-06", true},  {"fr", "01-août-06", true},  {"sg", "12-03-2006", true},
        {"com", "Xyz-12-06", false}, {"com", "anf-12-06", false},  // inside "janfeb", not a name
        {"com", "-12-06", false},    {"com", "", false},          {"nl", "12-mar-06", false},
        {"uk", "12-03-06", false},   {"uk", "12-1-06", false},    {"fr", "01-12", false},
        {"fr", "12-1-06", false},    {"it", "12-mrz-06", false},  {"ca", "1-mar-06", false},
        {"my", "12-3-2006", false},  {"de", "1.3.06", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.site) + " " + r.date);
        const QString text = normalize_EndDate(u8(r.date), {}, u8(r.site)) + QStringLiteral(" 18:30:00");
        EXPECT_EQ(core::read_DateTime(text) != core::kZeroDate, r.readable) << text.toStdString();
    }
}

TEST(EndDate, AnyTextIsSafe)
{
    QString surrogates;
    surrogates.append(QChar(0xD800));
    surrogates.append(u"-f");
    surrogates.append(QChar(0xDC00));
    const QString texts[] = {
        QString(),
        QStringLiteral("x"),
        QString(10000, u'\u00c3'),
        QString(10000, QChar(0)),
        QString(3, QChar(0)) + QStringLiteral("-janv-06"),
        surrogates,
        u8("12-\xF0\x9F\x98\x80-06"),
        QString(10000, u'-'),
    };
    const char* sites[] = {"de", "com", "fr", "es", "it", "nl", "uk", "au", "ca", "my", "ph", "sg", ""};
    for (const QString& t : texts) {
        EXPECT_EQ(detect_Site(t, t), QString());
        EXPECT_EQ(detect_Site(t, QStringLiteral("CET")), QString());
        for (const char* site : sites) {
            const QString date = normalize_EndDate(t, t, u8(site));
            EXPECT_LE(date.size(), t.size() + 8);
            EXPECT_EQ(core::read_DateTime(date + QStringLiteral(" 18:30:00")), core::kZeroDate);
        }
    }
}

}  // namespace
}  // namespace kiebitz::timing
