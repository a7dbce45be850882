// What the file checker finds: one disagreement between a BMP file's fields and its
// bytes (or with the format), where it lies and how serious it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace inspect {

enum class Severity {
    Error,   // a reader that follows the format must fail, or will show wrong pixels
    Warning, // readers disagree or lose information
    Note,    // legal but unusual
};

const char* SeverityName(Severity s);

struct Finding {
    std::string id; // "magic", "header-size", ...
    Severity severity = Severity::Error;
    std::uint64_t offset = 0; // in the file; a field's own offset for a field
    std::uint64_t length = 0;
    std::string field; // the format's name of the field, or empty
    std::optional<std::int64_t> declared;
    std::optional<std::int64_t> actual;
    std::string message; // one line, UTF-8 Chinese
};

bool HasError(const std::vector<Finding>& findings);

} // namespace inspect
