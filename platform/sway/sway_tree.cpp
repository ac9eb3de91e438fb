#include "platform/sway/sway_tree.h"

#include <json-glib/json-glib.h>

#include <cstring>
#include <functional>
#include <memory>

namespace brevolt::platform {
namespace {

// sway's name for the workspace that holds the scratchpad.
constexpr const char* kScratchpadWorkspace = "__i3_scratch";

struct ParserUnref {
  void operator()(JsonParser* parser) const { g_object_unref(parser); }
};
using Parser = std::unique_ptr<JsonParser, ParserUnref>;

Parser Parse(const std::string& json) {
  Parser parser(json_parser_new());
  if (!json_parser_load_from_data(parser.get(), json.data(), static_cast<gssize>(json.size()),
                                  nullptr)) {
    return nullptr;
  }
  return parser;
}

const char* StringMember(JsonObject* object, const char* name) {
  JsonNode* member = json_object_get_member(object, name);
  if (member == nullptr || !JSON_NODE_HOLDS_VALUE(member) ||
      json_node_get_value_type(member) != G_TYPE_STRING) {
    return nullptr;
  }
  return json_node_get_string(member);
}

bool BoolMember(JsonObject* object, const char* name) {
  JsonNode* member = json_object_get_member(object, name);
  return member != nullptr && JSON_NODE_HOLDS_VALUE(member) &&
         json_node_get_value_type(member) == G_TYPE_BOOLEAN && json_node_get_boolean(member);
}

using Visit = std::function<bool(JsonObject* node, const SwayView& view)>;

// Walks containers depth first; a node with a process is a window. Stops
// and answers true as soon as `visit` does.
bool Walk(JsonNode* node, bool floating, bool in_scratchpad, const Visit& visit) {
  if (node == nullptr || !JSON_NODE_HOLDS_OBJECT(node)) return false;
  JsonObject* object = json_node_get_object(node);
  const char* type = StringMember(object, "type");
  const char* name = StringMember(object, "name");
  if (type != nullptr && std::strcmp(type, "workspace") == 0 && name != nullptr &&
      std::strcmp(name, kScratchpadWorkspace) == 0) {
    in_scratchpad = true;
  }
  if (json_object_has_member(object, "pid") && json_object_has_member(object, "id")) {
    const SwayView view{json_object_get_int_member(object, "id"), floating, in_scratchpad,
                        BoolMember(object, "focused")};
    if (visit(object, view)) return true;
  }
  for (const auto& [member, child_floating] : {std::pair{"nodes", floating},
                                               std::pair{"floating_nodes", true}}) {
    JsonNode* children = json_object_get_member(object, member);
    if (children == nullptr || !JSON_NODE_HOLDS_ARRAY(children)) continue;
    JsonArray* array = json_node_get_array(children);
    for (guint i = 0; i < json_array_get_length(array); ++i) {
      if (Walk(json_array_get_element(array, i), child_floating, in_scratchpad, visit)) {
        return true;
      }
    }
  }
  return false;
}

std::optional<SwayView> Find(const std::string& tree_json, const Visit& match) {
  const Parser parser = Parse(tree_json);
  if (!parser) return std::nullopt;
  std::optional<SwayView> found;
  Walk(json_parser_get_root(parser.get()), false, false,
       [&](JsonObject* object, const SwayView& view) {
         if (!match(object, view)) return false;
         found = view;
         return true;
       });
  return found;
}

}  // namespace

std::optional<SwayView> FindSwayViewByTitle(const std::string& tree_json,
                                            const std::string& title) {
  return Find(tree_json, [&](JsonObject* object, const SwayView&) {
    const char* name = StringMember(object, "name");
    return name != nullptr && title == name;
  });
}

std::optional<SwayView> FindSwayViewById(const std::string& tree_json, std::int64_t id) {
  return Find(tree_json, [&](JsonObject*, const SwayView& view) { return view.id == id; });
}

bool SwayCommandsSucceeded(const std::string& reply_json) {
  const Parser parser = Parse(reply_json);
  if (!parser) return false;
  JsonNode* root = json_parser_get_root(parser.get());
  if (root == nullptr || !JSON_NODE_HOLDS_ARRAY(root)) return false;
  JsonArray* results = json_node_get_array(root);
  if (json_array_get_length(results) == 0) return false;
  for (guint i = 0; i < json_array_get_length(results); ++i) {
    JsonNode* result = json_array_get_element(results, i);
    if (!JSON_NODE_HOLDS_OBJECT(result) ||
        !BoolMember(json_node_get_object(result), "success")) {
      return false;
    }
  }
  return true;
}

}  // namespace brevolt::platform
