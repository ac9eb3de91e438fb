// The committed assets are what the generator draws today: a drawing changed
// without regenerating, or a generator whose output drifts from run to run,
// shows up here.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/assets/windows_file_reader.h"
#include "tests/harness/scratch_dir.h"

namespace brevolt::test {
namespace {

namespace fs = std::filesystem;

const char* const kGeneratedFiles[] = {
    "panel.bmp",
    "panel@2x.png",
    "panel@1.5x.bmp",
    "panel@2x.bmp",
    "hand@2x.cur",
    "hand.cur",
    "brevolt.ico",
    "brevolt-windows.ico",
    "icons/16x16/brevolt.png",
    "icons/32x32/brevolt.png",
    "icons/48x48/brevolt.png",
    "icons/64x64/brevolt.png",
    "icons/128x128/brevolt.png",
    "icons/256x256/brevolt.png",
};

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RunGenerator(const fs::path& out_dir) {
  std::string generator = BREVOLT_ASSET_GENERATOR;
  std::string target = out_dir.string();
  char* argv[] = {generator.data(), target.data(), nullptr};
  gint status = 0;
  gchar* err = nullptr;
  GError* error = nullptr;
  const bool ran = g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                                &err, &status, &error);
  ASSERT_TRUE(ran) << (error ? error->message : "");
  const std::string messages = err ? err : "";
  g_free(err);
  ASSERT_TRUE(g_spawn_check_wait_status(status, nullptr)) << messages;
}

TEST(AssetGenerator, RedrawsTheCommittedFilesByteForByte) {
  ScratchDir scratch("brevolt-assets");
  ASSERT_NO_FATAL_FAILURE(RunGenerator(scratch.path()));
  for (const char* name : kGeneratedFiles) {
    const Bytes fresh = ReadFile(scratch.path() / name);
    ASSERT_FALSE(fresh.empty()) << name << " not written";
    EXPECT_TRUE(fresh == ReadAssetFile(name))
        << name << " differs from the committed one: rebuild the "
        << "brevolt-regenerate-assets target and commit the result";
  }
}

TEST(AssetGenerator, RefusesToRunWithoutAnOutputDirectory) {
  std::string generator = BREVOLT_ASSET_GENERATOR;
  char* argv[] = {generator.data(), nullptr};
  gint status = 0;
  ASSERT_TRUE(g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr,
                           nullptr, nullptr, &status, nullptr));
  EXPECT_FALSE(g_spawn_check_wait_status(status, nullptr));
}

}  // namespace
}  // namespace brevolt::test
