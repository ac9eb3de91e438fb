#include "tests/e2e/offline/program_run.h"

#include <stdexcept>

#include "tests/e2e/common/screen_capture.h"
#include "tests/e2e/common/wine.h"
#include "tests/e2e/offline/pointer.h"
#include "tests/e2e/offline/x_messages.h"

namespace brevolt::test {
namespace {

// A caret covers one or two columns of a field; any typed word covers more.
constexpr int kTextColumns = 6;

// Spots for clicks on the caption: kept clear of its edges, and at least
// GTK's double-click distance (5 pixels) apart.
constexpr int kFinishSpots = 4;
constexpr int kFinishSpotInset = 8;

constexpr const char* kPlainPage =
    "<!DOCTYPE html><html><head><title>Join</title></head>"
    "<body><p>Join our mailing list</p></body></html>";

}  // namespace

ProgramRun::ProgramRun(XSession::Wm wm, Face face, Program program) : which_(program) {
  session_ = std::make_unique<XSession>(wm);
  x_ = std::make_unique<XQuery>(session_->display());
  scratch_ = std::make_unique<ScratchDir>("brevolt-e2e-offline");
  if (face == Face::kOnline) {
    pages_ = std::make_unique<PageServer>(SignUpPort());
    pages_->AddPage(kSignUpPath, kPlainPage);
  }
  if (program == Program::kWindows) {
    host_ = std::make_unique<TestHost>(kHostTitle, std::vector<std::string>{},
                                       WineCommand("host_window.exe"));
    program_ = std::make_unique<Brevolt>(scratch_->path(), WindowsBrevolt());
  } else {
    host_ = std::make_unique<TestHost>(kHostTitle);
    program_ = std::make_unique<Brevolt>(scratch_->path());
  }
  window_ = program_->WaitForWindow(*x_, kWindowTimeout);
  if (window_ == 0) throw std::runtime_error("the program's window did not appear");
}

ProgramRun::~ProgramRun() {
  // The program goes before the X server it talks to and the page server
  // it may still be loading from.
  program_.reset();
  host_.reset();
  // Wine's own helpers hold the X server too.
  if (which_ == Program::kWindows) EndWinePrograms();
  pages_.reset();
  x_.reset();
  session_.reset();
}

std::pair<int, int> ProgramRun::RootOf(std::pair<int, int> client) {
  const auto geometry = x_->Geometry(window_);
  if (!geometry) throw std::runtime_error("the program's window is gone");
  return {geometry->x + client.first, geometry->y + client.second};
}

void ProgramRun::ClickInClient(std::pair<int, int> client) {
  const auto [x, y] = RootOf(client);
  ClickAt(x, y);
}

std::pair<int, int> ProgramRun::CentreOf(ui::ControlId control) {
  const ui::ControlLayout& box = ui::LayoutOf(control);
  return {box.x() + box.cx() / 2, box.y() + box.cy() / 2};
}

void ProgramRun::ClickFinish() {
  const ui::ControlLayout& caption = ui::LayoutOf(ui::ControlId::lblFinish);
  const int step = (caption.cx() - 2 * kFinishSpotInset) / (kFinishSpots - 1);
  const int spot = finish_clicks_++ % kFinishSpots;
  ClickInClient({caption.x() + kFinishSpotInset + spot * step, caption.y() + caption.cy() / 2});
}

bool ProgramRun::ReadyForKeys() {
  if (under_wm()) {
    return WaitUntil([&] { return x_->ActiveWindow() == window_; }, kUiTimeout);
  }
  const auto client = x_->Geometry(window_);
  const auto pointer = PointerPosition(*x_);
  if (!client || !pointer) return false;
  const auto [px, py] = *pointer;
  if (px >= client->x && py >= client->y && px < client->x + client->width &&
      py < client->y + client->height) {
    return true;
  }
  const auto [x, y] = RootOf(kRestingPoint);
  MovePointerTo(x, y);
  return true;
}

namespace {

int InkColumnsIn(const Screenshot& picture, ui::ControlId field) {
  const ui::ControlLayout& box = ui::LayoutOf(field);
  int columns = 0;
  for (int column = box.x(); column < box.x() + box.cx(); ++column) {
    if (picture.Any(column, box.y(), column, box.y() + box.cy() - 1,
                    [](Rgb colour) { return colour.IsDark(); })) {
      ++columns;
    }
  }
  return columns;
}

}  // namespace

int ProgramRun::InkColumns(ui::ControlId field) {
  const auto picture = CaptureWindow(*x_, window_);
  return picture ? InkColumnsIn(*picture, field) : 0;
}

bool ProgramRun::WaitForFields(bool name_shows_text, bool email_shows_text) {
  bool shown = false;
  WaitForPicture(
      *x_, window_,
      [&](const Screenshot& picture) {
        return MessageBoxes().empty() &&
               (InkColumnsIn(picture, ui::ControlId::txtName) >= kTextColumns) ==
                   name_shows_text &&
               (InkColumnsIn(picture, ui::ControlId::txtEmail) >= kTextColumns) ==
                   email_shows_text;
      },
      kUiTimeout, &shown);
  return shown;
}

bool ProgramRun::WaitForTextWiderThan(ui::ControlId field, int columns) {
  bool shown = false;
  WaitForPicture(
      *x_, window_,
      [&](const Screenshot& picture) {
        return MessageBoxes().empty() && InkColumnsIn(picture, field) >= columns + kTextColumns;
      },
      kUiTimeout, &shown);
  return shown;
}

std::vector<XWindow> ProgramRun::MessageBoxes() {
  std::vector<XWindow> boxes;
  for (XWindow candidate : x_->FindByTitle(kMessageBoxTitle)) {
    if (candidate != host_->window() && x_->Viewable(candidate) &&
        TransientFor(*x_, candidate) == window_) {
      boxes.push_back(candidate);
    }
  }
  return boxes;
}

XWindow ProgramRun::WaitForMessageBox() {
  XWindow found = 0;
  WaitUntil(
      [&] {
        const auto boxes = MessageBoxes();
        if (!boxes.empty()) found = boxes.front();
        return found != 0 || !program_->process().Running();
      },
      kUiTimeout);
  return found;
}

bool ProgramRun::WaitForNoMessageBox() {
  return WaitUntil([&] { return MessageBoxes().empty(); }, kUiTimeout);
}

std::optional<int> ProgramRun::WaitForEnd() { return program_->process().WaitExit(kUiTimeout); }

std::string ProgramRun::DescribeWindows() {
  std::string out = "viewable windows:";
  for (XWindow w : x_->TopLevelClients()) {
    if (!x_->Viewable(w)) continue;
    out += " '" + x_->Title(w).value_or("<untitled>") + "'";
    if (const XWindow owner = TransientFor(*x_, w)) {
      out += owner == window_ ? " (ours)" : " (transient for another)";
    }
  }
  return out;
}

void ExpectEndedLeavingHostHidden(ProgramRun& run) {
  EXPECT_EQ(run.WaitForEnd(), 0);
  EXPECT_TRUE(WaitUntil([&] { return !run.x().Exists(run.window()); }, kUiTimeout))
      << "the program's window outlived it";
  EXPECT_TRUE(run.x().Exists(run.host().window()));
  EXPECT_FALSE(run.x().Viewable(run.host().window())) << "the product window was shown again";
}

}  // namespace brevolt::test
