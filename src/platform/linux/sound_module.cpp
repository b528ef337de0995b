// The module kiebitz-sound.so: the warning sound on Qt Multimedia.
#include "platform/linux/lazy_module.h"
#include "platform/linux/sound_qt.h"

extern "C" kiebitz::platform::Sound* kiebitz_make_sound() { return new kiebitz::platform::SoundQt; }
