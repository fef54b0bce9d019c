// A value, or one line saying why there is none.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace magcfg::cli {

template <typename T>
struct Checked {
  std::optional<T> value;
  std::string error;

  static Checked Ok(T v) { return {std::move(v), {}}; }
  static Checked Fail(std::string why) { return {std::nullopt, std::move(why)}; }
  explicit operator bool() const { return value.has_value(); }
};

}  // namespace magcfg::cli
