#pragma once

// The fonts the windows were laid out for, as this desktop has them.

#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace kiebitz::platform {

// Arial, else its metric twin.
inline const QStringList kArialFamilies = {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
// The classic dialog font, else its closest metric twins.
inline const QStringList kDialogFamilies = {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                                            QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};

// The first of `families` that is installed, looked up once per list. A
// font asked for by a missing family makes the font system search a
// fallback again for every size and style.
inline QString installedFamily(const QStringList& families)
{
    static QHash<QString, QString> resolved;
    const QString key = families.join(u'|');
    const auto it = resolved.constFind(key);
    if (it != resolved.constEnd())
        return *it;
    QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    for (const QString& f : families)
        if (QFontDatabase::hasFamily(f)) {
            family = f;
            break;
        }
    resolved.insert(key, family);
    return family;
}

inline QFont classicFont(const QStringList& families, double pointSize, bool bold = false)
{
    QFont font(installedFamily(families));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace kiebitz::platform
