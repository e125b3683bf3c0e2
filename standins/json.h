// The stand-ins' state, control and journal files, in member order so that
// they read naturally. Scenario files that tests write may leave keys out or
// give another kind, so the readers give a fallback rather than throw.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

namespace tbo::standin {

using Json = nlohmann::ordered_json;

// Null for a missing key or a value that is no object.
inline const Json& Get(const Json& j, std::string_view key) {
  static const Json null;
  const auto it = j.is_object() ? j.find(key) : j.end();
  return it == j.end() ? null : *it;
}

inline bool Bool(const Json& j, bool fallback = false) {
  if (j.is_number_integer()) return j.get<std::int64_t>() != 0;
  return j.is_boolean() ? j.get<bool>() : fallback;
}
inline std::int64_t Int(const Json& j, std::int64_t fallback = 0) {
  return j.is_number() ? j.get<std::int64_t>() : fallback;
}
inline std::string Str(const Json& j, std::string fallback = {}) {
  return j.is_string() ? j.get<std::string>() : std::move(fallback);
}

// An array as it is; any other value as an empty one.
inline const Json& Items(const Json& j) {
  static const Json none = Json::array();
  return j.is_array() ? j : none;
}

}  // namespace tbo::standin
