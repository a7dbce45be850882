// An ICC colour profile embedded in a V5 header: its header's fields and its tag table,
// read only as far as the profile's bytes go.
#pragma once

#include "bmp/layout.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bmp {

struct ProfileTag {
    std::string signature;    // four letters: "rXYZ", "wtpt", …
    std::uint64_t entry = 0;  // where its 12 bytes of the table lie (in the file)
    std::uint32_t offset = 0; // from the profile's start
    std::uint32_t size = 0;
    bool inside = true; // its data lies inside the profile
};

struct Profile {
    std::uint64_t offset = 0, size = 0; // in the file
    std::vector<Field> header;          // size, CMM, version, class, spaces, signature
    std::vector<ProfileTag> tags;
    std::string fault; // "acsp" missing, a table past the profile's end; or empty
    std::uint64_t faultOffset = 0;
};

// The profile of size bytes at offset of the file.
Profile ParseProfile(std::span<const std::uint8_t> file, std::uint64_t offset, std::uint64_t size);
// Four bytes as letters, escaped where they are not printable ASCII.
std::string FourLetters(std::uint32_t bigEndian);

} // namespace bmp
