#pragma once

#include <QString>

namespace kiebitz::platform {

struct HelpReference {
    QString file;
    int context = 0;
};

// Modal message boxes. `style` is the classic style value (0: OK only, no
// icon; 16/32/48/64 add an icon); the result is the button pressed (1 = OK).
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual int show(const QString& text, int style, const QString& title, const HelpReference& help = {}) = 0;
};

}  // namespace kiebitz::platform
