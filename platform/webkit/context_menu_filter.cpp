#include "platform/webkit/context_menu_filter.h"

#include <algorithm>
#include <array>
#include <vector>

namespace brevolt::platform::webkit {
namespace {

// An allow-list, so actions added by later engine versions stay out until
// someone decides they are harmless.
constexpr std::array kKeptActions = {
    WEBKIT_CONTEXT_MENU_ACTION_COPY,
    WEBKIT_CONTEXT_MENU_ACTION_CUT,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE_AS_PLAIN_TEXT,
    WEBKIT_CONTEXT_MENU_ACTION_DELETE,
    WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL,
    WEBKIT_CONTEXT_MENU_ACTION_INSERT_EMOJI,
    WEBKIT_CONTEXT_MENU_ACTION_INPUT_METHODS,
    WEBKIT_CONTEXT_MENU_ACTION_UNICODE,
    WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS,
    WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_GRAMMAR,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD,
};

bool Kept(WebKitContextMenuItem* item) {
  const auto action = webkit_context_menu_item_get_stock_action(item);
  return std::find(kKeptActions.begin(), kKeptActions.end(), action) != kKeptActions.end();
}

}  // namespace

bool FilterContextMenu(WebKitContextMenu* menu) {
  // Copy the list first: removing items while walking the menu's own list
  // would free the links under our feet.
  std::vector<WebKitContextMenuItem*> items;
  for (GList* l = webkit_context_menu_get_items(menu); l != nullptr; l = l->next) {
    items.push_back(WEBKIT_CONTEXT_MENU_ITEM(l->data));
  }
  // Separators survive only between two kept groups.
  bool any_kept = false;
  WebKitContextMenuItem* pending_separator = nullptr;
  for (WebKitContextMenuItem* item : items) {
    if (webkit_context_menu_item_is_separator(item)) {
      if (!any_kept || pending_separator != nullptr) {
        webkit_context_menu_remove(menu, item);
      } else {
        pending_separator = item;
      }
    } else if (Kept(item)) {
      any_kept = true;
      pending_separator = nullptr;
    } else {
      webkit_context_menu_remove(menu, item);
    }
  }
  if (pending_separator != nullptr) webkit_context_menu_remove(menu, pending_separator);
  return any_kept;
}

}  // namespace brevolt::platform::webkit
