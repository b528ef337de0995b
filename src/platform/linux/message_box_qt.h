#pragma once

#include "platform/message_box.h"

namespace kiebitz::platform {

class MessageBoxQt : public MessageBox {
public:
    int show(const QString& text, int style, const QString& title, const HelpReference& help = {}) override;
};

}  // namespace kiebitz::platform
