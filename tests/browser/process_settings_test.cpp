#include "platform/gtk/process_settings.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/browser/browser_environment.h"

namespace brevolt::test {
namespace {

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value != nullptr ? value : "<unset>";
}

// Settings that keep files from being written win over the user's; the
// others are defaults the user can still change.
TEST(ProcessSettingsTest, DiskWriteGuardsOverrideButDefaultsYield) {
  setenv("GSETTINGS_BACKEND", "dconf", 1);
  setenv("MESA_SHADER_CACHE_DISABLE", "false", 1);
  setenv("GDK_GL", "always", 1);
  unsetenv("WEBKIT_DISABLE_DMABUF_RENDERER");
  platform::ApplyProcessSettings();
  EXPECT_EQ(Env("GSETTINGS_BACKEND"), "memory");
  EXPECT_EQ(Env("MESA_SHADER_CACHE_DISABLE"), "true");
  EXPECT_EQ(Env("GST_REGISTRY_DISABLE"), "yes");
  EXPECT_EQ(Env("GDK_GL"), "always");
  EXPECT_EQ(Env("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
}

// A session without a bus gets none started for it; a session with one,
// announced or at its usual place, keeps it.
TEST(ProcessSettingsTest, SessionBusIsNeverAutolaunchedNorOverridden) {
  const char* bus = "DBUS_SESSION_BUS_ADDRESS";
  const auto runtime_bus = Tree().root() / "runtime" / "bus";
  ASSERT_EQ(Env("XDG_RUNTIME_DIR"), (Tree().root() / "runtime").string());

  unsetenv(bus);
  platform::ApplyProcessSettings();
  EXPECT_EQ(Env(bus), "disabled:");

  setenv(bus, "unix:path=/run/user/1000/bus", 1);
  platform::ApplyProcessSettings();
  EXPECT_EQ(Env(bus), "unix:path=/run/user/1000/bus");

  unsetenv(bus);
  std::ofstream{runtime_bus};
  platform::ApplyProcessSettings();
  EXPECT_EQ(Env(bus), "<unset>");
  std::filesystem::remove(runtime_bus);

  setenv(bus, "disabled:", 1);
}

}  // namespace
}  // namespace brevolt::test
