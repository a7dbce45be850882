// What the file checker finds: one disagreement between a BMP file's fields and its
// bytes (or with the format), where it lies and how serious it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace inspect {

// A finding's severity is set by its consequence, and by nothing else:
enum class Severity {
    Error,   // the open command refuses the file, or no pixel can be drawn as declared
    Warning, // pixels come out other than the fields imply, or common readers disagree
    Note,    // harmless: legal but unusual, or bytes no reader uses
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
