#include "ui/gtk/accessible_widgets.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kKeptOutKey = "brevolt-kept-out-of-accessible-tree";
constexpr const char* kCaptionButtonKey = "brevolt-caption-button";
constexpr const char* kClickAction = "click";

// -- A field whose state set says "required". --

struct RequiredEntryAccessible {
  GtkEntryAccessible parent;
};
struct RequiredEntryAccessibleClass {
  GtkEntryAccessibleClass parent_class;
};
G_DEFINE_TYPE(RequiredEntryAccessible, required_entry_accessible, GTK_TYPE_ENTRY_ACCESSIBLE)

AtkStateSet* RequiredEntryStates(AtkObject* object) {
  AtkStateSet* states =
      ATK_OBJECT_CLASS(required_entry_accessible_parent_class)->ref_state_set(object);
  atk_state_set_add_state(states, ATK_STATE_REQUIRED);
  return states;
}

void required_entry_accessible_class_init(RequiredEntryAccessibleClass* klass) {
  ATK_OBJECT_CLASS(klass)->ref_state_set = RequiredEntryStates;
}
void required_entry_accessible_init(RequiredEntryAccessible*) {}

// -- The caption as a push button with one action. --

// A container's accessible by descent (the caption's box is a container),
// but the button's name already says what its label would.
struct CaptionButtonAccessible {
  GtkContainerAccessible parent;
};
struct CaptionButtonAccessibleClass {
  GtkContainerAccessibleClass parent_class;
};
void caption_button_action_init(AtkActionIface* iface);
G_DEFINE_TYPE_WITH_CODE(CaptionButtonAccessible, caption_button_accessible,
                        GTK_TYPE_CONTAINER_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, caption_button_action_init))

void CaptionButtonInitialize(AtkObject* object, gpointer data) {
  ATK_OBJECT_CLASS(caption_button_accessible_parent_class)->initialize(object, data);
  object->role = ATK_ROLE_PUSH_BUTTON;
}

gint NoChildren(AtkObject*) { return 0; }
AtkObject* NoChild(AtkObject*, gint) { return nullptr; }

void caption_button_accessible_class_init(CaptionButtonAccessibleClass* klass) {
  ATK_OBJECT_CLASS(klass)->initialize = CaptionButtonInitialize;
  ATK_OBJECT_CLASS(klass)->get_n_children = NoChildren;
  ATK_OBJECT_CLASS(klass)->ref_child = NoChild;
}
void caption_button_accessible_init(CaptionButtonAccessible*) {}

gboolean RunClick(gpointer data) {
  auto* widget = static_cast<GtkWidget*>(data);
  auto* button = static_cast<brevolt::ui::CaptionButton*>(
      g_object_get_data(G_OBJECT(widget), kCaptionButtonKey));
  if (button != nullptr && gtk_widget_is_visible(widget)) button->Click();
  g_object_unref(widget);
  return G_SOURCE_REMOVE;
}

gboolean CaptionDoAction(AtkAction* action, gint index) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
  if (index != 0 || widget == nullptr || !gtk_widget_is_sensitive(widget) ||
      !gtk_widget_is_visible(widget)) {
    return FALSE;
  }
  // The click may open a modal message box, whose loop must not run inside
  // the assistive technology's call: answer first, click after.
  g_idle_add(RunClick, g_object_ref(widget));
  return TRUE;
}

gint CaptionActionCount(AtkAction*) { return 1; }

const gchar* CaptionActionName(AtkAction*, gint index) {
  return index == 0 ? kClickAction : nullptr;
}

void caption_button_action_init(AtkActionIface* iface) {
  iface->do_action = CaptionDoAction;
  iface->get_n_actions = CaptionActionCount;
  iface->get_name = CaptionActionName;
  iface->get_localized_name = CaptionActionName;
}

// -- A container whose accessible children skip the widgets kept out. --

struct ClientAreaAccessible {
  GtkContainerAccessible parent;
};
struct ClientAreaAccessibleClass {
  GtkContainerAccessibleClass parent_class;
};
G_DEFINE_TYPE(ClientAreaAccessible, client_area_accessible, GTK_TYPE_CONTAINER_ACCESSIBLE)

bool KeptOut(AtkObject* child) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(child));
  return widget != nullptr && g_object_get_data(G_OBJECT(widget), kKeptOutKey) != nullptr;
}

struct PlacedChild {
  AtkObject* accessible;  // referenced
  gint x, y;
};

// The children not kept out, in reading order: top to bottom, then left to
// right, by where they are placed (the container's own order is the
// stacking order, which would read the Finish button before the fields).
std::vector<PlacedChild> ShownChildren(AtkObject* object) {
  AtkObjectClass* parent = ATK_OBJECT_CLASS(client_area_accessible_parent_class);
  GtkWidget* layout = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
  std::vector<PlacedChild> shown;
  const gint all = parent->get_n_children(object);
  for (gint i = 0; i < all; ++i) {
    AtkObject* child = parent->ref_child(object, i);
    if (child == nullptr) continue;
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(child));
    if (layout == nullptr || widget == nullptr || KeptOut(child)) {
      g_object_unref(child);
      continue;
    }
    PlacedChild placed{child, 0, 0};
    gtk_container_child_get(GTK_CONTAINER(layout), widget, "x", &placed.x, "y", &placed.y, nullptr);
    shown.push_back(placed);
  }
  std::stable_sort(shown.begin(), shown.end(), [](const PlacedChild& a, const PlacedChild& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  return shown;
}

gint ClientAreaChildCount(AtkObject* object) {
  const auto shown = ShownChildren(object);
  for (const PlacedChild& child : shown) g_object_unref(child.accessible);
  return static_cast<gint>(shown.size());
}

AtkObject* ClientAreaChild(AtkObject* object, gint index) {
  AtkObject* found = nullptr;
  const auto shown = ShownChildren(object);
  for (gint i = 0; i < static_cast<gint>(shown.size()); ++i) {
    if (i == index) {
      found = shown[i].accessible;
    } else {
      g_object_unref(shown[i].accessible);
    }
  }
  return found;
}

void client_area_accessible_class_init(ClientAreaAccessibleClass* klass) {
  ATK_OBJECT_CLASS(klass)->get_n_children = ClientAreaChildCount;
  ATK_OBJECT_CLASS(klass)->ref_child = ClientAreaChild;
}
void client_area_accessible_init(ClientAreaAccessible*) {}

// The accessible type is a class's; each of these widgets has a GType of its
// own (the name given to Glib::ObjectBase), so no other widget is affected.
void UseAccessibleType(Gtk::Widget& widget, GType type) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_GET_CLASS(widget.gobj()), type);
}

}  // namespace

namespace brevolt::ui {

RequiredEntry::RequiredEntry() : Glib::ObjectBase("BrevoltRequiredEntry") {
  UseAccessibleType(*this, required_entry_accessible_get_type());
}

CaptionButton::CaptionButton() : Glib::ObjectBase("BrevoltCaptionButton") {
  UseAccessibleType(*this, caption_button_accessible_get_type());
  g_object_set_data(G_OBJECT(gobj()), kCaptionButtonKey, this);
}

CaptionButton::~CaptionButton() {
  // A click queued by assistive technology may still come after this.
  if (gobj() != nullptr) g_object_set_data(G_OBJECT(gobj()), kCaptionButtonKey, nullptr);
}

void CaptionButton::Click() {
  if (on_click_) on_click_();
}

ClientArea::ClientArea() : Glib::ObjectBase("BrevoltClientArea") {
  UseAccessibleType(*this, client_area_accessible_get_type());
}

void KeepOutOfAccessibleTree(Gtk::Widget& widget) {
  g_object_set_data(G_OBJECT(widget.gobj()), kKeptOutKey, GINT_TO_POINTER(1));
}

}  // namespace brevolt::ui
