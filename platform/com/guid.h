#pragma once
// 128-bit class and interface identifiers in the registry's text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace com {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const Guid&, const Guid&) = default;
  bool isNull() const { return *this == Guid{}; }

  // Upper-case text with braces, as the registry stores it.
  std::string toString() const;
  // Accepts the text with or without braces, in any letter case.
  static std::optional<Guid> parse(std::string_view text);
  // For constants written in code; a malformed literal is a programming error.
  static Guid fromString(std::string_view text);
};

using IID = Guid;
using CLSID = Guid;

}  // namespace com

template <>
struct std::hash<com::Guid> {
  std::size_t operator()(const com::Guid& g) const noexcept {
    std::size_t h = g.data1;
    h = h * 31 + g.data2;
    h = h * 31 + g.data3;
    for (auto b : g.data4) h = h * 31 + b;
    return h;
  }
};
