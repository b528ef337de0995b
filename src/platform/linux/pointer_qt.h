#pragma once

#include "platform/pointer.h"

namespace kiebitz::platform {

// The pointer as Qt's windowing system integration reports it.
class PointerQt : public Pointer {
public:
    QPoint cursorPos() const override;
    QWidget* windowAt(const QPoint& screenPos) const override;
    QWidget* foregroundWindow() const override;
    quint32 setTimer(QWidget* window, quint32 id, int periodMs, std::function<void()> onTick) override;
    bool killTimer(QWidget* window, quint32 id) override;
};

}  // namespace kiebitz::platform
