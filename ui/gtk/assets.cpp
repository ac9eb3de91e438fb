#include "ui/gtk/assets.h"

#include <giomm/resource.h>
#include <gdkmm/pixbufloader.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

// The generated header declares its accessor without C linkage markers.
extern "C" {
#include "assets/brevolt_resources.h"
}

namespace brevolt::ui {
namespace {

constexpr const char* kPanelPath = "/org/brevolt/Brevolt/panel.bmp";
constexpr const char* kDoublePanelPath = "/org/brevolt/Brevolt/panel@2x.png";
constexpr const char* kHandCursorPath = "/org/brevolt/Brevolt/hand.cur";
constexpr const char* kIconPath = "/org/brevolt/Brevolt/brevolt.ico";

constexpr const char* kBmpLoader = "bmp";
constexpr const char* kPngLoader = "png";
constexpr const char* kIcoLoader = "ico";

// Layout of an icon file's directory.
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconDirEntrySize = 16;
constexpr std::size_t kEntryBitCountOffset = 6;
constexpr std::size_t kEntryDataSizeOffset = 8;
constexpr std::size_t kEntryDataOffsetOffset = 12;
constexpr std::size_t kDibBitCountOffset = 14;
constexpr unsigned kIconType = 1;

struct ByteView {
  const std::uint8_t* data;
  std::size_t size;
};

Glib::RefPtr<const Glib::Bytes> LookUp(const char* path) {
  // The bundle is asked for directly rather than through the global
  // registry, so this object pulls the resource object into every link.
  const auto resource = Glib::wrap(brevolt_get_resource(), /*take_copy=*/true);
  return resource->lookup_data(path);
}

ByteView View(const Glib::RefPtr<const Glib::Bytes>& bytes) {
  gsize size = 0;
  const auto* data = static_cast<const std::uint8_t*>(bytes->get_data(size));
  return {data, size};
}

Glib::RefPtr<Gdk::Pixbuf> Decode(const char* loader_type, ByteView bytes) {
  const auto loader = Gdk::PixbufLoader::create(loader_type);
  loader->write(bytes.data, bytes.size);
  loader->close();
  const auto pixbuf = loader->get_pixbuf();
  if (!pixbuf) throw std::runtime_error(std::string("no picture decoded by ") + loader_type);
  return pixbuf;
}

unsigned ReadU16(ByteView bytes, std::size_t at) {
  if (at + 2 > bytes.size) throw std::runtime_error("icon file cut short");
  return bytes.data[at] | bytes.data[at + 1] << 8;
}

std::uint32_t ReadU32(ByteView bytes, std::size_t at) {
  return ReadU16(bytes, at) | static_cast<std::uint32_t>(ReadU16(bytes, at + 2)) << 16;
}

int ReadHotSpotOption(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, const char* key) {
  const std::string text = pixbuf->get_option(key);
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
    throw std::runtime_error(std::string("cursor file states no ") + key);
  return value;
}

struct IconImageRef {
  unsigned bit_count;
  std::uint32_t size;
  std::uint32_t offset;
};

// The file's own bit count for an entry: the directory may leave it 0, in
// which case the bitmap header inside the image says it.
unsigned EntryBitCount(ByteView icon, std::size_t entry, std::uint32_t offset) {
  const unsigned stated = ReadU16(icon, entry + kEntryBitCountOffset);
  return stated != 0 ? stated : ReadU16(icon, offset + kDibBitCountOffset);
}

// The image loader picks a single image out of a multi-image icon, so each
// chosen image is handed to it in an icon file of its own.
Glib::RefPtr<Gdk::Pixbuf> DecodeOneIconImage(ByteView icon, const IconImageRef& image,
                                             std::size_t entry) {
  if (image.offset > icon.size || image.size > icon.size - image.offset)
    throw std::runtime_error("icon image lies outside the file");
  std::vector<std::uint8_t> single(icon.data, icon.data + kIconDirSize);
  single[4] = 1;  // image count
  single[5] = 0;
  single.insert(single.end(), icon.data + entry, icon.data + entry + kEntryDataOffsetOffset);
  const auto new_offset = static_cast<std::uint32_t>(kIconDirSize + kIconDirEntrySize);
  for (int shift = 0; shift < 32; shift += 8)
    single.push_back(static_cast<std::uint8_t>(new_offset >> shift));
  single.insert(single.end(), icon.data + image.offset, icon.data + image.offset + image.size);
  return Decode(kIcoLoader, {single.data(), single.size()});
}

}  // namespace

Glib::RefPtr<Gdk::Pixbuf> LoadPanelPicture() {
  const auto bytes = LookUp(kPanelPath);
  return Decode(kBmpLoader, View(bytes));
}

Glib::RefPtr<Gdk::Pixbuf> LoadDoublePanelPicture() {
  const auto bytes = LookUp(kDoublePanelPath);
  return Decode(kPngLoader, View(bytes));
}

CursorImage LoadHandCursorImage() {
  const auto bytes = LookUp(kHandCursorPath);
  const auto pixbuf = Decode(kIcoLoader, View(bytes));
  return {pixbuf, ReadHotSpotOption(pixbuf, "x_hot"), ReadHotSpotOption(pixbuf, "y_hot")};
}

Glib::RefPtr<Gdk::Cursor> LoadHandCursor(const Glib::RefPtr<Gdk::Display>& display) {
  const CursorImage image = LoadHandCursorImage();
  return Gdk::Cursor::create(display, image.pixbuf, image.hot_x, image.hot_y);
}

std::vector<Glib::RefPtr<Gdk::Pixbuf>> LoadIconImages() {
  const auto bytes = LookUp(kIconPath);
  const ByteView icon = View(bytes);
  if (ReadU16(icon, 2) != kIconType) throw std::runtime_error("not an icon file");
  const unsigned count = ReadU16(icon, 4);

  // Keyed by side; the map keeps them smallest first.
  std::map<unsigned, std::pair<IconImageRef, std::size_t>> deepest;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = kIconDirSize + i * kIconDirEntrySize;
    if (entry + kIconDirEntrySize > icon.size) throw std::runtime_error("icon directory cut short");
    unsigned side = icon.data[entry];
    if (side == 0) side = 256;
    const std::uint32_t offset = ReadU32(icon, entry + kEntryDataOffsetOffset);
    const IconImageRef ref{EntryBitCount(icon, entry, offset),
                           ReadU32(icon, entry + kEntryDataSizeOffset), offset};
    const auto found = deepest.find(side);
    if (found == deepest.end() || found->second.first.bit_count < ref.bit_count)
      deepest[side] = {ref, entry};
  }

  std::vector<Glib::RefPtr<Gdk::Pixbuf>> images;
  for (const auto& [side, chosen] : deepest)
    images.push_back(DecodeOneIconImage(icon, chosen.first, chosen.second));
  return images;
}

}  // namespace brevolt::ui
