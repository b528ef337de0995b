#pragma once

// The item link: the address of a link-forwarding service that is handed the
// item page's address as one percent-encoded query value.

#include <QString>

#include <cstdint>

namespace kiebitz::timing {

// The hosts of the link, with their scheme; tests put other ones in.
struct LinkHosts {
    QString forwarding = QStringLiteral("http://www.auktionswerk.de");
    QString itemPages = QStringLiteral("http://cgi.ebay.de");
};

inline LinkHosts defaultLinkHosts() { return {}; }

inline const QString kForwardingPath = QStringLiteral("/fw.php?&loc=");
inline const QString kItemPagePath = QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=");

// Upper-case hexadecimal digits of `code`, with "0" in front when its bits
// 4 to 7 are all zero: always two digits for 0..255 ("0A", "E4").
QString hex_Byte(std::int32_t code);

// Percent-encoding of `text` after "&amp;" has become "&": every character
// but A-Z, a-z, 0-9, "." and "_" becomes "%" and the hexadecimal code of the
// character in the single-byte code page (Windows-1252: "ä" is %E4); one
// that the code page cannot hold is encoded as "?" (%3F).
QString encode_Url(const QString& text);

// The link that opens the item `itemNumber`: forwarding address followed by
// the encoded item page address. The empty text when there is no item number.
QString itemLink(const QString& itemNumber, const LinkHosts& hosts = defaultLinkHosts());

}  // namespace kiebitz::timing
