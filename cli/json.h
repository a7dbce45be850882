// The little JSON the subcommands print: strings escaped, numbers as numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A JSON string literal. Bytes that are not UTF-8 become U+FFFD, so the output stays
// valid JSON whatever a file name holds.
std::string JsonString(const std::string& text);
// A number, or null.
std::string JsonNumber(std::optional<std::int64_t> value);
