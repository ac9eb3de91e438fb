#pragma once
// What a running process has loaded, read from its memory map.
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace brevolt::test {

// The file a library whose path contains `name` is mapped from into `pid`;
// nullopt while none is (or the process is gone).
std::optional<std::string> MappedFrom(pid_t pid, std::string_view name);

// Whether `pid` has a web engine loaded: WebKitGTK's libraries, or under
// Wine the DLLs of Windows' HTML engine.
bool WebEngineLoaded(pid_t pid);

}  // namespace brevolt::test
