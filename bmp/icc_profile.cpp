#include "bmp/icc_profile.h"

#include <cstdio>

namespace bmp {
namespace {

std::uint32_t Be32(std::span<const std::uint8_t> s, std::uint64_t at) {
    if (at + 4 > s.size() || at + 4 < at)
        return 0;
    return std::uint32_t{s[at]} << 24 | std::uint32_t{s[at + 1]} << 16 |
           std::uint32_t{s[at + 2]} << 8 | s[at + 3];
}

// The tag table is read as far as this many entries: the rest is said to be there.
constexpr std::uint32_t kMostTags = 1000;

} // namespace

std::string FourLetters(std::uint32_t v) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(v >> shift);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

Profile ParseProfile(std::span<const std::uint8_t> file, std::uint64_t offset, std::uint64_t size) {
    Profile p;
    p.offset = offset;
    p.size = size;
    const std::uint64_t end = offset + size < offset ? UINT64_MAX : offset + size;
    const auto held = [&](std::uint64_t at, std::uint64_t n) {
        return at >= offset && at + n <= end && at + n <= file.size();
    };
    if (!held(offset, 128)) {
        p.fault = "颜色配置文件不到 128 字节的文件头，或超出了文件";
        p.faultOffset = offset;
        return p;
    }
    struct HeaderEntry {
        const char* name;
        std::uint32_t at;
    };
    static constexpr HeaderEntry kHeader[] = {
        {"profileSize", 0},  {"preferredCMM", 4}, {"version", 8},   {"deviceClass", 12},
        {"colourSpace", 16}, {"pcs", 20},         {"signature", 36}};
    for (const HeaderEntry& s : kHeader)
        p.header.push_back(
            Field{FieldId::Identifier, s.name, offset + s.at, 4, Be32(file, offset + s.at), false});
    if (Be32(file, offset + 36) != 0x61637370) { // "acsp"
        p.fault = "颜色配置文件的签名不是“acsp”";
        p.faultOffset = offset + 36;
    }
    if (!held(offset + 128, 4)) {
        if (p.fault.empty()) {
            p.fault = "颜色配置文件没有标签表";
            p.faultOffset = offset + 128;
        }
        return p;
    }
    const std::uint32_t count = Be32(file, offset + 128);
    for (std::uint32_t i = 0; i < count && i < kMostTags; ++i) {
        const std::uint64_t entry = offset + 132 + 12ull * i;
        if (!held(entry, 12)) {
            if (p.fault.empty()) {
                p.fault = "标签表说有 " + std::to_string(count) + " 项，超出了颜色配置文件";
                p.faultOffset = entry;
            }
            break;
        }
        ProfileTag t{FourLetters(Be32(file, entry)), entry, Be32(file, entry + 4),
                     Be32(file, entry + 8), true};
        t.inside = std::uint64_t{t.offset} + t.size <= size;
        if (!t.inside && p.fault.empty()) {
            p.fault = "标签 " + t.signature + " 的数据超出了颜色配置文件";
            p.faultOffset = entry;
        }
        p.tags.push_back(std::move(t));
    }
    return p;
}

} // namespace bmp
