#pragma once

#include <QString>

namespace kiebitz::platform {

struct HelpReference {
    QString file;
    int context = 0;
};

// Modal message boxes. `style` is the classic style value (0: OK only, 4:
// yes and no with yes as the default button; 16/32/48/64 add an icon); the
// result is the button pressed (1 = OK, 6 = yes, 7 = no or closed).
constexpr int kYesNo = 4;
constexpr int kQuestionIcon = 32;
constexpr int kOkPressed = 1;
constexpr int kYesPressed = 6;
constexpr int kNoPressed = 7;

class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual int show(const QString& text, int style, const QString& title, const HelpReference& help = {}) = 0;
};

}  // namespace kiebitz::platform
