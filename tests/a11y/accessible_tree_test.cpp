// The offline face as a screen reader meets it, read through the
// accessibility bus from a session bus of the test's own: named, required
// fields, Finish as a push button whose action does what a click does, and
// nothing else in the window's tree.
#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/a11y/offline_face.h"
#include "ui/panel_picture.h"

namespace brevolt::test {
namespace {

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;

std::string Take(gchar* text) {
  std::string taken = text != nullptr ? text : "";
  g_free(text);
  return taken;
}

std::string NameOf(AtspiAccessible* a) { return Take(atspi_accessible_get_name(a, nullptr)); }
AtspiRole RoleOf(AtspiAccessible* a) { return atspi_accessible_get_role(a, nullptr); }

bool HasState(AtspiAccessible* a, AtspiStateType state) {
  AtspiStateSet* states = atspi_accessible_get_state_set(a);
  const bool has = atspi_state_set_contains(states, state);
  g_object_unref(states);
  return has;
}

std::vector<Accessible> ChildrenOf(AtspiAccessible* a) {
  std::vector<Accessible> children;
  const gint count = atspi_accessible_get_child_count(a, nullptr);
  for (gint i = 0; i < count; ++i) {
    if (AtspiAccessible* child = atspi_accessible_get_child_at_index(a, i, nullptr)) {
      children.emplace_back(child);
    }
  }
  return children;
}

// Every object below `a`, depth first, with the tree drawn as a screen
// reader's object browser would list it.
void Walk(AtspiAccessible* a, int depth, std::vector<Accessible>& all, std::ostringstream& tree) {
  for (Accessible& child : ChildrenOf(a)) {
    tree << std::string(2 * depth, ' ')
         << Take(atspi_accessible_get_role_name(child.get(), nullptr)) << " \""
         << NameOf(child.get()) << "\""
         << (HasState(child.get(), ATSPI_STATE_REQUIRED) ? " required" : "")
         << (HasState(child.get(), ATSPI_STATE_FOCUSABLE) ? " focusable" : "")
         << (HasState(child.get(), ATSPI_STATE_SHOWING) ? "" : " (not showing)") << "\n";
    Walk(child.get(), depth + 1, all, tree);
    all.push_back(std::move(child));
  }
}

// The top-level accessible named `title` of any application on the bus.
Accessible FindTopLevel(const std::string& title, AtspiRole role) {
  Accessible desktop(atspi_get_desktop(0));
  for (Accessible& app : ChildrenOf(desktop.get())) {
    atspi_accessible_clear_cache(app.get());
    for (Accessible& window : ChildrenOf(app.get())) {
      if (NameOf(window.get()) == title && RoleOf(window.get()) == role) return std::move(window);
    }
  }
  return nullptr;
}

bool Act(AtspiAccessible* a, const std::string& action_name) {
  AtspiAction* action = atspi_accessible_get_action_iface(a);
  if (action == nullptr) return false;
  bool done = false;
  for (gint i = 0; i < atspi_action_get_n_actions(action, nullptr) && !done; ++i) {
    if (Take(atspi_action_get_action_name(action, i, nullptr)) == action_name) {
      done = atspi_action_do_action(action, i, nullptr);
    }
  }
  g_object_unref(action);
  return done;
}

AtspiAccessible* Find(const std::vector<Accessible>& all, AtspiRole role, const std::string& name) {
  for (const Accessible& a : all) {
    if (RoleOf(a.get()) == role && NameOf(a.get()) == name) return a.get();
  }
  return nullptr;
}

int Count(const std::vector<Accessible>& all, AtspiRole role) {
  return static_cast<int>(std::count_if(
      all.begin(), all.end(), [&](const Accessible& a) { return RoleOf(a.get()) == role; }));
}

bool SetText(AtspiAccessible* field, const char* text) {
  AtspiEditableText* editable = atspi_accessible_get_editable_text_iface(field);
  if (editable == nullptr) return false;
  const bool set = atspi_editable_text_set_text_contents(editable, text, nullptr);
  g_object_unref(editable);
  return set;
}

TEST(AccessibleTreeTest, NamesRolesAndTheFinishActionAsAScreenReaderSeesThem) {
  ASSERT_EQ(atspi_init(), 0);
  OfflineFace face(XSession::Wm::kOpenbox, {});
  Accessible window;
  ASSERT_TRUE(
      WaitUntil([&] { return (window = FindTopLevel("Zendrolt ", ATSPI_ROLE_FRAME)) != nullptr; },
                kFaceTimeout))
      << "no window \"Zendrolt \" on the accessibility bus";
  EXPECT_EQ(Take(atspi_accessible_get_description(window.get(), nullptr)), ui::SpokenInvitation());

  std::vector<Accessible> all;
  std::ostringstream tree;
  Walk(window.get(), 0, all, tree);
  std::cout << "frame \"Zendrolt \"\n" << tree.str();
  AtspiAccessible* name = Find(all, ATSPI_ROLE_TEXT, "Name");
  AtspiAccessible* email = Find(all, ATSPI_ROLE_TEXT, "Email");
  AtspiAccessible* finish = Find(all, ATSPI_ROLE_PUSH_BUTTON, "Finish");
  ASSERT_TRUE(name && email && finish) << tree.str();
  EXPECT_TRUE(HasState(name, ATSPI_STATE_REQUIRED));
  EXPECT_TRUE(HasState(email, ATSPI_STATE_REQUIRED));
  EXPECT_TRUE(HasState(name, ATSPI_STATE_FOCUSABLE));
  EXPECT_FALSE(HasState(finish, ATSPI_STATE_FOCUSABLE)) << "Finish takes no focus";
  // Text1 and the picture are no stops for a screen reader; nor is the label
  // inside Finish a second "Finish".
  EXPECT_EQ(Count(all, ATSPI_ROLE_TEXT), 2) << tree.str();
  EXPECT_EQ(Count(all, ATSPI_ROLE_IMAGE), 0) << tree.str();
  EXPECT_EQ(Count(all, ATSPI_ROLE_LABEL), 0) << tree.str();
  // Read in the order the eye reads the panel, not the order of stacking.
  const std::string listed = tree.str();
  EXPECT_LT(listed.find("\"Name\""), listed.find("\"Email\"")) << listed;
  EXPECT_LT(listed.find("\"Email\""), listed.find("\"Finish\"")) << listed;

  // Empty fields: the same message box a click brings up.
  ASSERT_TRUE(Act(finish, "click"));
  Accessible box;
  ASSERT_TRUE(WaitUntil(
      [&] { return (box = FindTopLevel("Zendrolt", ATSPI_ROLE_ALERT)) != nullptr; }, kFaceTimeout))
      << "Finish's action brought up no message box titled \"Zendrolt\"";
  std::vector<Accessible> in_box;
  std::ostringstream box_tree;
  Walk(box.get(), 0, in_box, box_tree);
  EXPECT_TRUE(Find(in_box, ATSPI_ROLE_LABEL, "Please enter Name.")) << box_tree.str();
  AtspiAccessible* ok = Find(in_box, ATSPI_ROLE_PUSH_BUTTON, "OK");
  ASSERT_TRUE(ok) << box_tree.str();
  ASSERT_TRUE(Act(ok, "click"));
  ASSERT_TRUE(WaitUntil([&] { return FindTopLevel("Zendrolt", ATSPI_ROLE_ALERT) == nullptr; },
                        kFaceTimeout));

  // Both filled: the program ends, as after a click.
  ASSERT_TRUE(SetText(name, "Ada Example"));
  ASSERT_TRUE(SetText(email, "ada@example.org"));
  ASSERT_TRUE(Act(finish, "click"));
  EXPECT_EQ(face.program().process().WaitExit(kFaceTimeout), 0);
}

}  // namespace
}  // namespace brevolt::test
