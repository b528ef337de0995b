#pragma once

#include <QString>

namespace kiebitz::platform {

// Asynchronous playback of one wave file at a time. A file that is missing
// or cannot be played plays nothing and reports nothing.
class Sound {
public:
    virtual ~Sound() = default;
    virtual void stop() = 0;
    virtual void playAsync(const QString& file) = 0;
};

}  // namespace kiebitz::platform
