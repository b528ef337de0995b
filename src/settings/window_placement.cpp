#include "settings/window_placement.h"

#include "capture/window_test.h"
#include "core/text.h"
#include "platform/platform.h"
#include "platform/settings_store.h"
#include "settings/keys.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kiebitz::settings {

namespace {

// The largest instance count whose offset still fits a 16-bit value
// (109 × 300 = 32700); more instances do not move the window further.
constexpr int kMaxOffsetInstances = std::numeric_limits<std::int16_t>::max() / kInstanceOffsetTwips;

// Positions further out than this are no screen position at all; they are
// cut here so that the pixel conversion stays in range.
constexpr double kPositionLimitTwips = 1.0e8;

std::int16_t readInt16In(const platform::SettingsStore& store, const QString& app, const QString& section,
                         const QString& key, std::int16_t fallback)
{
    return core::toInt16(store.get(app, section, key, QString::number(fallback))).value_or(fallback);
}

WindowStateValue toState(std::int16_t value)
{
    switch (value) {
    case StateMinimized:
        return StateMinimized;
    case StateMaximized:
        return StateMaximized;
    default:
        // Anything else is no window state; the window opens normal.
        return StateNormal;
    }
}

bool endsWithProductName(const QString& title)
{
    static const QString product = QStringLiteral("Kiebitz");
    // Titles may carry the terminating NUL of the classic window-text call.
    if (title.endsWith(QChar(u'\0')))
        return title.chopped(1).endsWith(product);
    return title.endsWith(product);
}

}  // namespace

float readPosition(const platform::SettingsStore& store, const QString& app, const QString& section,
                   const QString& key)
{
    const auto value = core::toDouble(store.get(app, section, key, QStringLiteral("0")));
    if (!value || std::abs(*value) > double(std::numeric_limits<float>::max()))
        return 0.0f;
    return float(*value);
}

void restore_WindowPos(PlacementWindow& window, const platform::SettingsStore& store, const QString& app,
                       const QString& section, bool restoreState, std::int16_t instanceCount)
{
    const core::TwipsPerPixel tpp = window.twipsPerPixel();
    const QRect frame = window.frameGeometry();
    const double width = tpp.toTwipsX(frame.width());
    const double height = tpp.toTwipsY(frame.height());

    const int offset = std::clamp<int>(instanceCount, 0, kMaxOffsetInstances) * kInstanceOffsetTwips;
    const double left = std::clamp(double(readPosition(store, app, section, key::Left)) + offset,
                                   -kPositionLimitTwips, kPositionLimitTwips);
    const double top = std::clamp(double(readPosition(store, app, section, key::Top)) + offset, -kPositionLimitTwips,
                                  kPositionLimitTwips);
    int x = tpp.toPixelsX(left);
    int y = tpp.toPixelsY(top);

    // Keep the window inside the right and bottom edge of its screen. This
    // works on the normal rectangle, before the state is applied, so that a
    // maximised frame never pushes the position it returns to.
    const QRect screen = window.screenGeometry();
    const double screenRight = tpp.toTwipsX(screen.x() + screen.width());
    const double screenBottom = tpp.toTwipsY(screen.y() + screen.height());
    if (tpp.toTwipsX(x) + width > screenRight)
        x = tpp.toPixelsX(screenRight - width - kEdgeMarginTwips);
    if (tpp.toTwipsY(y) + height > screenBottom)
        y = tpp.toPixelsY(screenBottom - height - kEdgeMarginTwips);

    // A window partly beyond the left or top edge stays there, but one that
    // lies wholly outside the desktop could not be reached at all.
    const QRect desktop = window.desktopGeometry();
    if (x + frame.width() <= desktop.left())
        x = desktop.left();
    if (y + frame.height() <= desktop.top())
        y = desktop.top();

    window.moveTo(QPoint(x, y));
    if (restoreState)
        window.setState(toState(readInt16In(store, app, section, key::WindowState, StateNormal)));
}

void save_WindowPos(PlacementWindow& window, platform::SettingsStore& store, platform::WindowList& windows,
                    const QString& app, const QString& section)
{
    if (count_Instances(windows, window.windowId()) != 0)
        return;
    const core::TwipsPerPixel tpp = window.twipsPerPixel();
    const QRect r = window.normalFrameGeometry();
    store.save(app, section, key::Left, core::numberText(double(r.left()) * tpp.x));
    store.save(app, section, key::Top, core::numberText(double(r.top()) * tpp.y));
    store.save(app, section, key::Width, core::numberText(double(r.width()) * tpp.x));
    store.save(app, section, key::Height, core::numberText(double(r.height()) * tpp.y));
    store.save(app, section, key::WindowState, QString::number(int(window.state())));
}

void restore_WindowPos(PlacementWindow& window, const platform::Platform& platform, const QString& app,
                       const QString& section, bool restoreState, std::int16_t instanceCount)
{
    restore_WindowPos(window, *platform.settings, app, section, restoreState, instanceCount);
}

void save_WindowPos(PlacementWindow& window, const platform::Platform& platform, const QString& app,
                    const QString& section)
{
    save_WindowPos(window, *platform.settings, *platform.windows, app, section);
}

std::int16_t count_Instances(platform::WindowList& windows, platform::WindowId ownWindow, std::uint32_t mask)
{
    int count = 0;
    for (const platform::WindowEntry& w : windows.windows()) {
        if (w.id == ownWindow || !capture::is_TaskWindow(w.style, mask) || w.title.isEmpty())
            continue;
        if (endsWithProductName(w.title) && count < std::numeric_limits<std::int16_t>::max())
            ++count;
    }
    return std::int16_t(count);
}

}  // namespace kiebitz::settings
