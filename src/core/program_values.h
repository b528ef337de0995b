#pragma once

#include <QString>

#include <cstdint>

namespace kiebitz::core {

// Colours as 0xRRGGBB.
constexpr std::uint32_t rgb(int r, int g, int b)
{
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

// Window style bits as the window list reports them.
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_BORDER = 0x00800000;

// Values fixed at start and read across the program.
struct ProgramValues {
    std::uint32_t LinkColor = rgb(0, 0, 255);
    std::uint32_t LinkHoverColor = rgb(255, 102, 18);
    QString VersionText;
    std::uint32_t WindowStyleMask = 0;
};

// major.minor.revision of this build, each in plain decimal.
inline QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(KIEBITZ_VERSION_MAJOR)
        .arg(KIEBITZ_VERSION_MINOR)
        .arg(KIEBITZ_VERSION_PATCH);
}

}  // namespace kiebitz::core
