#include "server/system/service_notice.h"

#include <systemd/sd-daemon.h>

namespace brevolt::signup {

// The environment is left in place: nothing the server starts needs it.
void notify_ready() { sd_notify(0, "READY=1"); }

void notify_stopping() { sd_notify(0, "STOPPING=1"); }

}  // namespace brevolt::signup
