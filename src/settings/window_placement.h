#pragma once

// Saving and restoring the main window's placement between runs, and the
// count of other running instances both depend on.

#include "core/program_values.h"
#include "core/twips.h"
#include "platform/window_list.h"

#include <QRect>
#include <QString>

#include <cstdint>

namespace kiebitz::platform {
class SettingsStore;
struct Platform;
}  // namespace kiebitz::platform

namespace kiebitz::settings {

// Window state as stored: 0 normal, 1 minimised, 2 maximised.
enum WindowStateValue : std::int16_t { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };

// The parts of a top-level window that placement needs. Rectangles are the
// outer frame in screen pixels.
class PlacementWindow {
public:
    virtual ~PlacementWindow() = default;
    // Twips per pixel of the screen the window is on.
    virtual core::TwipsPerPixel twipsPerPixel() const = 0;
    // The screen the window is on, and the whole desktop (all screens).
    virtual QRect screenGeometry() const = 0;
    virtual QRect desktopGeometry() const { return screenGeometry(); }
    virtual QRect frameGeometry() const = 0;
    // Moves the frame's top left corner; the size stays.
    virtual void moveTo(const QPoint& topLeft) = 0;
    // The rectangle the window returns to from minimised or maximised.
    virtual QRect normalFrameGeometry() const = 0;
    virtual WindowStateValue state() const = 0;
    virtual void setState(WindowStateValue state) = 0;
    virtual platform::WindowId windowId() const = 0;
};

// Offset of a further instance, twips, per counted instance.
constexpr int kInstanceOffsetTwips = 300;
// Distance kept from the right and bottom screen edge, twips.
constexpr int kEdgeMarginTwips = 500;

// Places the window at the stored Left/Top, moved kInstanceOffsetTwips right
// and down per counted instance, keeps it inside the screen's right and
// bottom edge and (with `restoreState`) gives it the stored window state.
// Call before the window is first shown.
void restore_WindowPos(PlacementWindow& window, const platform::SettingsStore& store, const QString& app,
                       const QString& section, bool restoreState, std::int16_t instanceCount);

// Stores the window's normal rectangle and its state, unless another
// instance watches an auction (count_Instances not 0).
void save_WindowPos(PlacementWindow& window, platform::SettingsStore& store, platform::WindowList& windows,
                    const QString& app, const QString& section);

// The same two with the store and window list of `platform`.
void restore_WindowPos(PlacementWindow& window, const platform::Platform& platform, const QString& app,
                       const QString& section, bool restoreState, std::int16_t instanceCount);
void save_WindowPos(PlacementWindow& window, const platform::Platform& platform, const QString& app,
                    const QString& section);

// Other task windows whose title ends with "Kiebitz" (case-sensitively): the
// main windows of instances that watch an auction. `ownWindow` is skipped.
std::int16_t count_Instances(platform::WindowList& windows, platform::WindowId ownWindow,
                             std::uint32_t mask = core::WS_VISIBLE | core::WS_BORDER);

// Left/Top as stored: a single-precision number, 0 when the text is not one.
float readPosition(const platform::SettingsStore& store, const QString& app, const QString& section,
                   const QString& key);

}  // namespace kiebitz::settings
