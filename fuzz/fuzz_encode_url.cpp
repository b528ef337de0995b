#include "core/text.h"
#include "fuzz_input.h"
#include "timing/item_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kiebitz;
    fuzz::Input in(data, size);
    QString text = in.text(true);
    const QString encoded = timing::encode_Url(text);
    // Only unreserved characters and escapes, and the escapes give back the
    // text in the code page.
    for (const QChar ch : encoded) {
        const char16_t u = ch.unicode();
        fuzz::check((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'.' ||
                    u == u'_' || u == u'%');
    }
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    fuzz::check(QByteArray::fromPercentEncoding(encoded.toLatin1()) == core::toAnsi(text));
    (void)timing::itemLink(text);
    if (size >= 4)
        (void)timing::hex_Byte(std::int32_t(data[0]) | std::int32_t(data[1]) << 8 | std::int32_t(data[2]) << 16 |
                               std::int32_t(std::uint32_t(data[3]) << 24));
    return 0;
}
