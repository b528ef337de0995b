#pragma once

#include "platform/platform.h"

#include <memory>

namespace kiebitz::platform {

// Owns the real Linux implementation of every facility.
class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();
    Platform& platform() { return m_platform; }

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    Platform m_platform;
};

}  // namespace kiebitz::platform
