// The little JSON the subcommands print: strings escaped, numbers as numbers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// A JSON string literal. Bytes that are not UTF-8 become U+FFFD, so the output stays
// valid JSON whatever a file name holds.
std::string JsonString(const std::string& text);
// A number, or null.
std::string JsonNumber(std::optional<std::int64_t> value);
// A colour's red, green, blue and alpha: {"r": …, "g": …, "b": …, "a": …}.
std::string RgbaJson(const std::array<std::uint8_t, 4>& c);
// The same as the text output writes it: "r,g,b,a".
std::string RgbaText(const std::array<std::uint8_t, 4>& c);
