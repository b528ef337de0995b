// The module kiebitz-http.so: the transfer control on Qt Network.
#include "platform/linux/http_control_qt.h"
#include "platform/linux/lazy_module.h"

extern "C" kiebitz::platform::HttpControl* kiebitz_make_http_control()
{
    return new kiebitz::platform::HttpControlQt;
}
