#include "platform/webbrowser/com_object.h"

namespace brevolt::platform::webbrowser {

namespace detail {
std::atomic<long> live_com_objects{0};
}

long LiveComObjects() { return detail::live_com_objects.load(); }

}  // namespace brevolt::platform::webbrowser
