#pragma once
// The order in which the X server mapped and unmapped top-level windows, as
// seen by a client listening on the root from before the program starts.
// The server's own event order is the only trustworthy witness of "before":
// polling window states from a test can miss a window that is mapped and
// hidden again in between two looks.
#include <string>
#include <vector>

#include "tests/harness/x_query.h"

struct _XDisplay;

namespace brevolt::test {

struct MapEvent {
  enum class Kind { kMap, kUnmap };
  Kind kind;
  XWindow window;  // the window mapped or unmapped
  bool synthetic;  // sent by a client (XWithdrawWindow's notice), not by the server
  bool override_redirect = false;  // a menu's or tooltip's, which no window manager handles
};

class MapOrderLog {
 public:
  // Listens for structure changes of the root's children on its own
  // connection; throws std::runtime_error if the display cannot be opened.
  explicit MapOrderLog(const std::string& display_name);
  ~MapOrderLog();
  MapOrderLog(const MapOrderLog&) = delete;
  MapOrderLog& operator=(const MapOrderLog&) = delete;

  // Reads every notice the server has sent so far.
  void Collect();
  // Collects, then forgets everything: later events are what counts.
  void Clear();
  const std::vector<MapEvent>& events() const { return events_; }

  // Position of the first event of `kind` about any of `windows`, or -1.
  int FirstIndexOf(MapEvent::Kind kind, const std::vector<XWindow>& windows) const;

 private:
  _XDisplay* display_ = nullptr;
  std::vector<MapEvent> events_;
};

// `window` and the top-level window (a window manager's frame) holding it,
// for matching events about either; tolerates a vanished window.
std::vector<XWindow> WindowAndFrame(XQuery& x, XWindow window);

}  // namespace brevolt::test
