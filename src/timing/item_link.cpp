#include "timing/item_link.h"

#include "core/text.h"

namespace kiebitz::timing {

QString hex_Byte(std::int32_t code)
{
    // A negative code is written as its 32-bit two's complement.
    QString digits = QString::number(static_cast<std::uint32_t>(code), 16).toUpper();
    if ((code & 0xF0) == 0)
        digits.prepend(u'0');
    return digits;
}

QString encode_Url(const QString& text)
{
    QString source = text;
    source.replace(QStringLiteral("&amp;"), QStringLiteral("&"));

    QString out;
    out.reserve(source.size() * 3);
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar ch = source.at(i);
        const char16_t u = ch.unicode();
        // Only ASCII stays as it is: the upper-case form of a non-ASCII
        // letter can be an ASCII one (dotless i is I, long s is S), and such
        // a letter must not reach the address unencoded.
        const char16_t upper = (u >= u'a' && u <= u'z') ? char16_t(u - 32) : u;
        if ((upper >= u'0' && upper <= u'9') || (upper >= u'A' && upper <= u'Z') || upper == u'.' || upper == u'_') {
            out.append(ch);
            continue;
        }
        // A surrogate pair is one character, which the code page cannot hold.
        if (ch.isHighSurrogate() && i + 1 < source.size() && source.at(i + 1).isLowSurrogate())
            ++i;
        const unsigned char code = ch.isSurrogate() ? '?' : core::ansiCode(ch);
        out.append(u'%');
        out.append(hex_Byte(code));
    }
    return out;
}

QString itemLink(const QString& itemNumber, const LinkHosts& hosts)
{
    if (itemNumber.isEmpty())
        return {};
    return hosts.forwarding + kForwardingPath + encode_Url(hosts.itemPages + kItemPagePath + itemNumber);
}

}  // namespace kiebitz::timing
