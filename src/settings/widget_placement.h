#pragma once

#include "settings/window_placement.h"

class QWidget;

namespace kiebitz::settings {

// PlacementWindow for a top-level QWidget. Before the widget is first shown
// its frame is not known yet and the frame rectangle is the client one.
class WidgetPlacement : public PlacementWindow {
public:
    explicit WidgetPlacement(QWidget& widget) : m_widget(widget) {}

    core::TwipsPerPixel twipsPerPixel() const override;
    QRect screenGeometry() const override;
    QRect desktopGeometry() const override;
    QRect frameGeometry() const override;
    void moveTo(const QPoint& topLeft) override;
    QRect normalFrameGeometry() const override;
    WindowStateValue state() const override;
    void setState(WindowStateValue state) override;
    platform::WindowId windowId() const override;

private:
    QWidget& m_widget;
};

}  // namespace kiebitz::settings
