#include "platform/linux/settings_store_qsettings.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace kiebitz::platform {

namespace {

// ---- Text -------------------------------------------------------------

// Length of the well-formed UTF-8 sequence at `i` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
int utf8Length(QByteArrayView b, qsizetype i)
{
    const auto follows = [&](qsizetype k, uint lo = 0x80, uint hi = 0xBF) {
        return k < b.size() && uchar(b[k]) >= lo && uchar(b[k]) <= hi;
    };
    const uint c = uchar(b[i]);
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return follows(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF)
        return follows(i + 1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) && follows(i + 2) ? 3 : 0;
    if (c >= 0xF0 && c <= 0xF4)
        return follows(i + 1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) && follows(i + 2) && follows(i + 3)
                   ? 4
                   : 0;
    return 0;
}

// UTF-8 where the bytes form it; any other byte is the Latin-1 character of
// that byte, which is what such bytes in these files most likely are.
QString textOf(QByteArrayView bytes)
{
    QString text;
    qsizetype run = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        if (const int n = utf8Length(bytes, i)) {
            i += n;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(run, i - run));
        text += QChar(uchar(bytes[i]));
        run = ++i;
    }
    return text + QString::fromUtf8(bytes.sliced(run));
}

// A name for a header or a key: text without control characters.
bool isName(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const int n = utf8Length(bytes, i);
        if (n == 0 || (n == 1 && (uchar(bytes[i]) < 0x20 || bytes[i] == 0x7F)))
            return false;
        i += n;
    }
    return !bytes.isEmpty();
}

// A key path with single slashes and none at either end, as QSettings keeps them.
QString normalized(const QString& path) { return path.split(u'/', Qt::SkipEmptyParts).join(u'/'); }

// ---- QSettings' escaping ------------------------------------------------

// Keys and section names: '/' as '\', letters, digits and "_-." as they
// are, everything else as %XX or %UXXXX.
QByteArray escapedKey(const QString& key)
{
    QByteArray out;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/')
            out += '\\';
        else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                 c == u'-' || c == u'.')
            out += char(c);
        else if (c <= 0xFF)
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        else
            out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
    }
    return out;
}

QString unescapedKey(QByteArrayView bytes)
{
    const QString in = QString::fromUtf8(bytes);
    QString out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == u'\\') {
            out += u'/';
            continue;
        }
        const int digits = i + 1 < in.size() && in[i + 1] == u'U' ? 4 : 2;
        const qsizetype first = i + 1 + (digits == 4 ? 1 : 0);
        bool ok = false;
        const ushort code = in[i] == u'%' && first + digits <= in.size()
                                ? QStringView(in).sliced(first, digits).toUShort(&ok, 16)
                                : 0;
        if (ok) {
            out += QChar(code);
            i = first + digits - 1;
        } else {
            out += in[i];
        }
    }
    return out;
}

// The value of `d` as a digit in base 8 or 16, or -1.
int digitValue(char16_t d, int base)
{
    const int v = d >= u'0' && d <= u'9'   ? d - u'0'
                  : d >= u'a' && d <= u'f' ? d - u'a' + 10
                  : d >= u'A' && d <= u'F' ? d - u'A' + 10
                                           : 99;
    return v < base ? v : -1;
}

// A text value as QSettings writes a QString: a leading '@' doubled, a text
// with NUL as @String(...), C escapes for control characters, UTF-8 for
// the rest, quotes when it holds ";,=" or starts or ends with a blank.
QByteArray escapedValue(const QString& value)
{
    QString text = value;
    if (text.contains(QChar::Null))
        text = QStringLiteral("@String(") + text + u')';
    else if (text.startsWith(u'@'))
        text.prepend(u'@');
    QByteArray out;
    bool quotes = false;
    bool hexNext = false;  // after \0 or \xN, a hex digit must be escaped too
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        quotes = quotes || c == u';' || c == u',' || c == u'=';
        if (hexNext && digitValue(c, 16) >= 0) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        hexNext = false;
        static constexpr char kNamed[][2] = {{'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'}, {'\r', 'r'},
                                             {'\t', 't'}, {'\v', 'v'}, {'"', '"'},  {'\\', '\\'}};
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed), [c](auto& e) { return e[0] == c; });
        if (c == 0) {
            out += "\\0";
            hexNext = true;
        } else if (named != std::end(kNamed)) {
            out += '\\';
            out += (*named)[1];
        } else if (c < 0x20) {
            out += "\\x" + QByteArray::number(c, 16);
            hexNext = true;
        } else if (c < 0x7F) {
            out += char(c);
        } else {
            const qsizetype n =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
            out += QStringView(text).sliced(i, n).toUtf8();
            i += n - 1;
        }
    }
    if (quotes || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

// A stored value unescaped the way QSettings reads it, but to bytes, so
// that bytes which are not UTF-8 are kept: C escapes, \x and octal escapes
// (a UTF-16 unit each), quotes, blanks at the ends dropped unless quoted,
// and unquoted commas making a list.
struct Value {
    std::vector<QByteArray> items{QByteArray()};
    bool isList = false;
};

Value unescapedValue(QByteArrayView s)
{
    static constexpr char kNamed[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                         {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                         {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    Value v;
    qsizetype i = 0;
    qsizetype chopLimit = 0;  // blanks before this point came from escapes or quotes
    bool inQuotes = false;
    bool quoted = false;
    const auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        chopLimit = v.items.back().size();
    };
    const auto chopBlanks = [&] {
        QByteArray& cur = v.items.back();
        while (!quoted && cur.size() > chopLimit && (cur.back() == ' ' || cur.back() == '\t'))
            cur.chop(1);
    };
    skipBlanks();
    while (i < s.size()) {
        QByteArray& cur = v.items.back();
        const char c = s[i++];
        if (c == '\\') {
            if (i == s.size())
                return v;
            const char e = s[i++];
            const auto named = std::find_if(std::begin(kNamed), std::end(kNamed), [e](auto& n) { return n[0] == e; });
            if (named != std::end(kNamed)) {
                cur += (*named)[1];
            } else if (e == 'x' || digitValue(uchar(e), 8) >= 0) {
                const int base = e == 'x' ? 16 : 8;
                if (base == 16 && i == s.size())
                    return v;
                if (base == 8 || digitValue(uchar(s[i]), 16) >= 0) {  // "\x" without a digit is dropped
                    char16_t unit = base == 8 ? char16_t(e - '0') : 0;
                    for (int d; i < s.size() && (d = digitValue(uchar(s[i]), base)) >= 0; ++i)
                        unit = char16_t(unit * base + d);
                    cur += QString(QChar(unit)).toUtf8();
                    if (i == s.size())
                        return v;
                }
            }  // any other escaped character is dropped
            chopLimit = cur.size();
        } else if (c == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (c == ',' && !inQuotes) {
            chopBlanks();
            v.isList = true;
            v.items.emplace_back();
            quoted = false;
            skipBlanks();
        } else {
            cur += c;
        }
    }
    chopBlanks();
    return v;
}

// ---- What a value means ---------------------------------------------------

std::optional<QString> variantText(const QVariant& v)
{
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    if (!v.isValid() || !v.canConvert<QString>())
        return std::nullopt;
    return v.toString();
}

// QSettings' "@Type(...)" forms, read as text the way the QSettings backend
// of this store did (lists joined with commas, types without a text form
// as no value).
std::optional<QString> meaning(const QString& s)
{
    if (s.startsWith(u'@') && s.endsWith(u')')) {
        const auto inner = [&](qsizetype from) { return QStringView(s).sliced(from).chopped(1); };
        if (s.startsWith(u"@ByteArray("))
            return QString::fromUtf8(inner(11).toLatin1());
        if (s.startsWith(u"@String("))
            return inner(8).toString();
        if (s.startsWith(u"@Variant(") || s.startsWith(u"@DateTime(")) {
            const bool dateTime = s.at(1) == u'D';
            QByteArray data = QStringView(s).sliced(dateTime ? 10 : 9).toLatin1();
            QDataStream stream(&data, QIODevice::ReadOnly);
            stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            QVariant v;
            stream >> v;
            return variantText(v);
        }
        static constexpr std::pair<QStringView, int> kGeometry[] = {{u"@Rect(", 4}, {u"@Size(", 2}, {u"@Point(", 2}};
        for (const auto& [prefix, args] : kGeometry) {
            if (s.startsWith(prefix) && inner(prefix.size()).count(u' ') + 1 == args)
                return std::nullopt;
        }
        if (s == u"@Invalid()")
            return std::nullopt;
    }
    return s.startsWith(u"@@") ? s.sliced(1) : s;
}

std::optional<QString> meaning(const Value& v)
{
    if (!v.isList)
        return meaning(textOf(v.items.front()));
    QStringList items;
    for (const QByteArray& item : v.items) {
        QString text = textOf(item);
        if (text.startsWith(u'@') && !text.startsWith(u"@@"))
            return std::nullopt;  // a list of typed values has no text form
        items.append(text.startsWith(u'@') ? text.sliced(1) : text);
    }
    return items.join(u',');
}

// ---- The file, line by line -------------------------------------------------

const QByteArray kNul(1, '\0');

struct Line {
    enum Kind { Blank, Comment, Header, Entry, Broken };
    QByteArray text;  // without the line end
    QByteArray end;   // "\n", "\r\n", "\r", a NUL, or nothing at the end of the file
    Kind kind = Blank;
    QString path;             // Header: the section; Entry: "section/key", both as stored
    qsizetype valueFrom = 0;  // Entry: the stored value in `text`
    qsizetype valueTo = 0;
    bool spills = false;  // Entry: QSettings would read on into the next line

    std::optional<QString> value() const
    {
        return meaning(unescapedValue(QByteArrayView(text).sliced(valueFrom, valueTo - valueFrom)));
    }
};

// Where a line's content ends, as QSettings' line reader sees it: a
// backslash takes the next character along (a final one the line end),
// quotes hide '=', ';' and line ends, an unquoted ';' starts a comment.
struct Scan {
    qsizetype equals = -1;
    qsizetype end = 0;
    bool inQuotes = false;
    bool finalBackslash = false;
};

Scan scan(QByteArrayView t, qsizetype from)
{
    Scan s;
    s.end = t.size();
    for (qsizetype i = from; i < t.size(); ++i) {
        if (t[i] == '\\') {
            s.finalBackslash = ++i == t.size();
        } else if (t[i] == '"') {
            s.inQuotes = !s.inQuotes;
        } else if (t[i] == '=' && !s.inQuotes && s.equals < 0) {
            s.equals = i;
        } else if (t[i] == ';' && !s.inQuotes) {
            s.end = i;
            break;
        }
    }
    return s;
}

QString sectionPath(QByteArrayView name)
{
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1));
    return unescapedKey(name);
}

QByteArray headerFor(const QString& section)
{
    if (section.isEmpty())
        return "[General]";
    if (section.compare(u"general", Qt::CaseInsensitive) == 0)
        return "[%General]";
    return '[' + escapedKey(section) + ']';
}

// Sorts a line into its kind; `section` is the one the line is in and is
// changed by a header. A broken line changes nothing, not even the section:
// a half "[Kieb" header does not re-file the keys below it.
void classify(Line& line, QString& section)
{
    const QByteArrayView t = line.text;
    qsizetype from = 0;
    while (from < t.size() && (t[from] == ' ' || t[from] == '\t'))
        ++from;
    if (from == t.size())
        return;
    const Scan s = scan(t, from);
    const bool spills = s.inQuotes || s.finalBackslash;
    // ';' starts a comment for QSettings; '#' does for people editing the
    // file, and the line is kept unless QSettings would read on from it.
    line.kind = t[from] == ';' || (t[from] == '#' && s.equals < 0 && !spills) ? Line::Comment : Line::Broken;
    if (t[from] == '[') {
        const qsizetype close = t.first(s.end).indexOf(']', from);
        const QByteArrayView name = close < 0 ? QByteArrayView() : t.sliced(from + 1, close - from - 1).trimmed();
        if (!spills && isName(name)) {
            line.kind = Line::Header;
            line.path = section = sectionPath(name);
        }
    } else if (t[from] != ';' && s.equals >= 0) {
        qsizetype keyEnd = s.equals;
        while (keyEnd > from && (t[keyEnd - 1] == ' ' || t[keyEnd - 1] == '\t'))
            --keyEnd;
        const QByteArrayView key = t.sliced(from, keyEnd - from);
        if (isName(key)) {
            line.kind = Line::Entry;
            line.path = (section.isEmpty() ? QString() : section + u'/') + unescapedKey(key);
            line.valueFrom = s.equals + 1;
            line.valueTo = s.end;
            line.spills = spills;
        }
    }
}

// The store file as lines. Line ends are LF, CR LF and CR, as for QSettings,
// and NUL, which a crash can leave in whole blocks; each line is read on its
// own, so one broken line never takes the lines around it along.
struct Document {
    QByteArray bom;
    std::vector<Line> lines;

    explicit Document(const QByteArray& data)
    {
        qsizetype pos = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        bom = data.first(pos);
        QString section;
        while (pos < data.size()) {
            qsizetype stop = pos;
            while (stop < data.size() && data[stop] != '\n' && data[stop] != '\r' && data[stop] != '\0')
                ++stop;
            Line line;
            line.text = data.sliced(pos, stop - pos);
            line.end = data.mid(stop, data.mid(stop, 2) == "\r\n" ? 2 : 1);
            pos = stop + line.end.size();
            classify(line, section);
            lines.push_back(std::move(line));
        }
    }

    bool isDamaged() const
    {
        return std::any_of(lines.begin(), lines.end(),
                           [](const Line& l) { return l.kind == Line::Broken || l.spills || l.end == kNul; });
    }

    // Drops broken lines and NUL line ends and closes lines that QSettings
    // would read on from, so that it reads the file as this store does.
    // Bytes that are not UTF-8 stay as they are.
    void repair()
    {
        std::erase_if(
            lines, [](const Line& l) { return l.kind == Line::Broken || (l.kind == Line::Blank && l.end == kNul); });
        for (Line& l : lines) {
            if (l.end == kNul)
                l.end = "\n";
            if (l.spills) {
                const Scan s = scan(l.text, 0);
                if (s.finalBackslash)
                    l.text.chop(1);
                if (s.inQuotes)
                    l.text += '"';
                l.valueTo = l.text.size();
                l.spills = false;
            }
        }
    }

    // The last line of the key, which is the one that counts, or -1.
    qsizetype find(const QString& path) const
    {
        for (qsizetype i = qsizetype(lines.size()) - 1; i >= 0; --i) {
            if (lines[i].kind == Line::Entry && lines[i].path == path)
                return i;
        }
        return -1;
    }

    // Sets the value in the key's line or adds a line at the end of the
    // key's section; false when the stored value already means `value`.
    bool set(const QString& path, const QString& value)
    {
        if (const qsizetype i = find(path); i >= 0) {
            Line& l = lines[i];
            if (l.value() == value)
                return false;
            const QByteArray escaped = escapedValue(value);
            l.text = l.text.first(l.valueFrom) + escaped + l.text.sliced(l.valueTo);
            l.valueTo = l.valueFrom + escaped.size();
            l.spills = false;
            return true;
        }
        const qsizetype slash = path.indexOf(u'/');
        QString section = slash < 0 ? QString() : path.first(slash);
        // After the last line that is not blank in the section's last block.
        qsizetype at = -1;
        bool inSection = section.isEmpty();
        for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
            if (lines[i].kind == Line::Header)
                inSection = lines[i].path == section;
            if (inSection && lines[i].kind != Line::Blank)
                at = i + 1;
        }
        if (at < 0 && !lines.empty()) {
            if (lines.back().end.isEmpty())
                lines.back().end = "\n";
            add(lines.size(), {}, section);  // a blank line before a new section, as QSettings writes
        }
        if (at < 0)
            at = add(lines.size(), headerFor(section), section);
        else if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = "\n";
        add(at, escapedKey(path.sliced(slash + 1)) + '=' + escapedValue(value), section);
        return true;
    }

    qsizetype add(qsizetype at, const QByteArray& text, QString& section)
    {
        Line line;
        line.text = text;
        line.end = "\n";
        classify(line, section);
        lines.insert(lines.begin() + at, std::move(line));
        return at + 1;
    }

    QByteArray bytes() const
    {
        QByteArray out = bom;
        for (const Line& l : lines)
            out += l.text + l.end;
        return out;
    }
};

// ---- Files --------------------------------------------------------------

QString storeFile(const QString& baseFolder, const QString& app)
{
    const QString folder =
        baseFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : baseFolder;
    return QFileInfo(QDir(folder).filePath(app + QStringLiteral(".conf"))).absoluteFilePath();
}

std::optional<QByteArray> readFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

bool writeFile(const QString& fileName, const QByteArray& data)
{
    QSaveFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

// Keeps `data` as "<file>.damaged", ".damaged.1", ...: the first free name,
// unless one of them already holds these bytes (a repair that was cut off).
bool keepDamagedCopy(const QString& fileName, const QByteArray& data)
{
    for (int n = 0;; ++n) {
        const QString copy = fileName + QStringLiteral(".damaged") + (n ? u'.' + QString::number(n) : QString());
        if (!QFileInfo::exists(copy))
            return writeFile(copy, data);
        if (readFile(copy) == data)
            return true;
    }
}

QString keyPath(const QString& section, const QString& key) { return normalized(section + u'/' + key); }

}  // namespace

SettingsStoreQSettings::SettingsStoreQSettings(QString baseFolder) : m_baseFolder(std::move(baseFolder)) {}

QString SettingsStoreQSettings::get(const QString& app, const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    // The user's file first, then the system-wide ones, as QSettings reads them.
    QStringList files{storeFile(m_baseFolder, app)};
    if (m_baseFolder.isEmpty()) {
        const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
        for (qsizetype i = 1; i < folders.size(); ++i)
            files.append(QDir(folders[i]).filePath(app + QStringLiteral(".conf")));
    }
    const QString path = keyPath(section, key);
    for (const QString& file : files) {
        const std::optional<QByteArray> data = readFile(file);
        if (!data)
            continue;
        const Document doc(*data);
        if (const qsizetype i = doc.find(path); i >= 0)
            return doc.lines[i].value().value_or(defaultValue);
    }
    return defaultValue;
}

bool SettingsStoreQSettings::save(const QString& app, const QString& section, const QString& key,
                                  const QString& value)
{
    const QString fileName = storeFile(m_baseFolder, app);
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath()))
        return false;
    QLockFile lock(fileName + QStringLiteral(".lock"));
    if (!lock.lock())
        return false;
    // A store that exists but cannot be read is left alone, not replaced by
    // one that holds only this value.
    const std::optional<QByteArray> data =
        QFileInfo::exists(fileName) ? readFile(fileName) : std::optional<QByteArray>(QByteArray());
    if (!data)
        return false;
    Document doc(*data);
    bool changed = false;
    if (doc.isDamaged() && keepDamagedCopy(fileName, *data)) {
        doc.repair();
        changed = true;
    }
    changed = doc.set(keyPath(section, key), value) || changed;
    return !changed || writeFile(fileName, doc.bytes());
}

}  // namespace kiebitz::platform
