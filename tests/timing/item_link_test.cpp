// Percent-encoding by code-page value and the forwarding link of an item.

#include "timing/item_link.h"

#include "core/text.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace kiebitz::timing {
namespace {

TEST(HexByte, TwoDigitsForEveryByte)
{
    struct Row {
        std::int32_t code;
        const char* hex;
    };
    const Row rows[] = {
        {0, "00"},   {9, "09"},   {10, "0A"},    {15, "0F"},     {16, "10"},       {46, "2E"},
        {228, "E4"}, {255, "FF"}, {256, "0100"}, {0x1F0, "1F0"}, {-1, "FFFFFFFF"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(hex_Byte(r.code), QString::fromLatin1(r.hex));
    }
}

TEST(EncodeUrl, CodePageValues)
{
    QString lone;
    lone.append(QChar(0xDC00));
    struct Row {
        QString text;
        const char* expect;
    };
    const Row rows[] = {
        {QString(), ""},
        {QStringLiteral("Abc.def_123"), "Abc.def_123"},
        {QStringLiteral("a&amp;b"), "a%26b"},
        {QStringLiteral("&amp;amp;"), "%26amp%3B"},  // replaced once, not again
        {QStringLiteral("a b-c/d:e?f=g&h~"), "a%20b%2Dc%2Fd%3Ae%3Ff%3Dg%26h%7E"},
        {QStringLiteral("\t"), "%09"},
        {QString(QChar(0)), "%00"},
        {QStringLiteral("äÄéß"), "%E4%C4%E9%DF"},
        {QStringLiteral("€"), "%80"},
        {QStringLiteral("ıſ"), "%3F%3F"},       // upper case I and S, but not ASCII
        {QStringLiteral("\U0001F600"), "%3F"},  // one character, not two
        {lone, "%3F"},
        {QStringLiteral("\u0100"), "%3F"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        EXPECT_EQ(encode_Url(r.text), QString::fromLatin1(r.expect));
    }
}

// Every code-page character survives the trip through the encoding, and
// the result holds nothing but the unreserved characters and escapes.
TEST(EncodeUrl, EveryCodePageCharacterDecodesBack)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = core::fromAnsi(all).remove(QStringLiteral("&amp;"));
    const QString encoded = encode_Url(text);
    for (const QChar ch : encoded) {
        const bool plain = (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') ||
                           ch == u'.' || ch == u'_' || ch == u'%';
        ASSERT_TRUE(plain) << int(ch.unicode());
    }
    EXPECT_EQ(core::fromAnsi(QByteArray::fromPercentEncoding(encoded.toLatin1())), text);
}

TEST(ItemLink, ForwardingAddressAndEncodedItemPage)
{
    EXPECT_EQ(itemLink(QStringLiteral("1234567890")),
              QStringLiteral("http://www.auktionswerk.de/fw.php?&loc="
                             "http%3A%2F%2Fcgi.ebay.de%2Fws%2FeBayISAPI.dll%3FViewItem%26item%3D1234567890"));
    const LinkHosts local{QStringLiteral("http://127.0.0.1:8080"), QStringLiteral("http://items.test")};
    // The forwarding service gets the item page back as one query value.
    const QUrl url(itemLink(QStringLiteral("42"), local));
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(QUrl::fromPercentEncoding(url.query(QUrl::FullyEncoded).mid(5).toLatin1()),
              QStringLiteral("http://items.test/ws/eBayISAPI.dll?ViewItem&item=42"));
    EXPECT_EQ(itemLink(QString()), QString());
}

}  // namespace
}  // namespace kiebitz::timing
