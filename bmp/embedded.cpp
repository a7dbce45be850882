#include "bmp/embedded.h"

#include "bmp/checked.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace bmp {
namespace {

StreamDecoder& Installed() {
    static StreamDecoder decoder;
    return decoder;
}

// A stream of millions of tiny parts is described as far as this; the rest is one part.
constexpr std::size_t kMostParts = 100000;

std::uint32_t Be32(std::span<const std::uint8_t> s, std::uint64_t at) {
    return std::uint32_t{s[at]} << 24 | std::uint32_t{s[at + 1]} << 16 |
           std::uint32_t{s[at + 2]} << 8 | s[at + 3];
}
std::uint32_t Be16(std::span<const std::uint8_t> s, std::uint64_t at) {
    return std::uint32_t{s[at]} << 8 | s[at + 1];
}

void Fault(StreamLayout& l, std::uint64_t at, std::string message) {
    if (l.fault.empty()) {
        l.fault = std::move(message);
        l.faultOffset = at;
    }
}

StreamLayout PngLayout(std::span<const std::uint8_t> s) {
    StreamLayout l;
    if (!IsPng(s)) {
        Fault(l, 0, "不是 PNG 流：前 8 个字节不是 PNG 的签名");
        return l;
    }
    l.parts.push_back(StreamPart{0, 8, "签名", "89 50 4E 47 0D 0A 1A 0A", ""});
    std::uint64_t at = 8;
    while (at < s.size()) {
        if (l.parts.size() >= kMostParts) {
            l.parts.push_back(StreamPart{at, s.size() - at, "……", "其余的块", ""});
            break;
        }
        if (s.size() - at < 12) {
            l.parts.push_back(StreamPart{at, s.size() - at, "被截断的块", "", "块不完整"});
            Fault(l, at, "PNG 流在一个块的中间结束");
            break;
        }
        const std::uint64_t length = Be32(s, at);
        std::string type(reinterpret_cast<const char*>(s.data() + at + 4), 4);
        for (char& c : type)
            if (c < 0x20 || c > 0x7E)
                c = '?';
        StreamPart part{at, 12 + length, type, "长度 " + std::to_string(length), ""};
        if (length > s.size() - at - 12) {
            part.size = s.size() - at;
            part.fault = "长度超出了流的末尾";
            Fault(l, at,
                  "PNG 块 " + type + " 的长度 " + std::to_string(length) + " 超出了流的末尾");
            l.parts.push_back(std::move(part));
            break;
        }
        const std::uint32_t stored = Be32(s, at + 8 + length);
        const std::uint32_t crc = Crc32(
            s.subspan(static_cast<std::size_t>(at + 4), static_cast<std::size_t>(length + 4)));
        if (stored != crc) {
            part.fault = "CRC 不符";
            Fault(l, at, "PNG 块 " + type + " 的 CRC 不符");
        }
        if (type == "IHDR" && length >= 13) {
            l.width = Be32(s, at + 8);
            l.height = Be32(s, at + 12);
            part.value = std::to_string(l.width) + " × " + std::to_string(l.height) + "，位深 " +
                         std::to_string(s[at + 16]) + "，颜色类型 " + std::to_string(s[at + 17]) +
                         "，隔行 " + std::to_string(s[at + 20]);
        }
        l.parts.push_back(std::move(part));
        at += 12 + length;
        if (type == "IEND")
            break;
    }
    if (l.width == 0)
        Fault(l, 8, "PNG 流没有 IHDR 块");
    return l;
}

std::string MarkerName(std::uint8_t m) {
    static constexpr std::pair<std::uint8_t, const char*> kNames[] = {
        {0xD8, "SOI"}, {0xD9, "EOI"}, {0xDA, "SOS"}, {0xDB, "DQT"}, {0xC4, "DHT"},
        {0xDD, "DRI"}, {0xFE, "COM"}, {0xCC, "DAC"}, {0xDC, "DNL"}};
    for (const auto& [v, n] : kNames)
        if (m == v)
            return n;
    if (m >= 0xE0 && m <= 0xEF)
        return "APP" + std::to_string(m - 0xE0);
    if (m >= 0xD0 && m <= 0xD7)
        return "RST" + std::to_string(m - 0xD0);
    if (m >= 0xC0 && m <= 0xCF)
        return "SOF" + std::to_string(m - 0xC0);
    char buf[8];
    std::snprintf(buf, sizeof buf, "FF%02X", m);
    return buf;
}

StreamLayout JpegLayout(std::span<const std::uint8_t> s) {
    StreamLayout l;
    if (s.size() < 3 || s[0] != 0xFF || s[1] != 0xD8) {
        Fault(l, 0, "不是 JPEG 流：它不以 FF D8 开始");
        return l;
    }
    l.parts.push_back(StreamPart{0, 2, "SOI", "图像开始", ""});
    std::uint64_t at = 2;
    while (at < s.size()) {
        if (l.parts.size() >= kMostParts) {
            l.parts.push_back(StreamPart{at, s.size() - at, "……", "其余的段", ""});
            break;
        }
        if (s[at] != 0xFF || at + 1 >= s.size()) {
            l.parts.push_back(
                StreamPart{at, s.size() - at, "无法识别的数据", "", "这里应是一个标记"});
            Fault(l, at, "JPEG 流在这里应有一个 FF 标记");
            break;
        }
        const std::uint8_t m = s[at + 1];
        if (m == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const std::string name = MarkerName(m);
        if (m == 0xD9) {
            l.parts.push_back(StreamPart{at, 2, name, "图像结束", ""});
            at += 2;
            break;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            l.parts.push_back(StreamPart{at, 2, name, "", ""});
            at += 2;
            continue;
        }
        if (s.size() - at < 4) {
            l.parts.push_back(StreamPart{at, s.size() - at, name, "", "段不完整"});
            Fault(l, at, "JPEG 流在 " + name + " 段的中间结束");
            break;
        }
        const std::uint64_t length = Be16(s, at + 2);
        if (length < 2 || length > s.size() - at - 2) {
            l.parts.push_back(StreamPart{at, s.size() - at, name, "", "长度超出了流的末尾"});
            Fault(l, at, "JPEG 段 " + name + " 的长度 " + std::to_string(length) + " 不对");
            break;
        }
        StreamPart part{at, 2 + length, name, "长度 " + std::to_string(length), ""};
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame && length >= 8) {
            l.height = Be16(s, at + 5);
            l.width = Be16(s, at + 7);
            part.value = std::to_string(l.width) + " × " + std::to_string(l.height) + "，" +
                         std::to_string(s[at + 9]) + " 个分量，精度 " + std::to_string(s[at + 4]);
        }
        at += 2 + length;
        if (m == 0xDA) {
            // The entropy-coded data runs to the next marker that is not a stuffed byte
            // or a restart.
            std::uint64_t end = at;
            while (end + 1 < s.size() && !(s[end] == 0xFF && s[end + 1] != 0x00 &&
                                           !(s[end + 1] >= 0xD0 && s[end + 1] <= 0xD7)))
                ++end;
            if (end + 1 >= s.size())
                end = s.size();
            part.size += end - at;
            part.value += "，扫描数据 " + std::to_string(end - at) + " 字节";
            at = end;
        }
        l.parts.push_back(std::move(part));
    }
    if (l.width == 0)
        Fault(l, 2, "JPEG 流没有帧头（SOF）");
    return l;
}

} // namespace

std::uint64_t MostStreamPixels(std::uint64_t streamBytes) {
    constexpr std::uint64_t kRatio = 2048, kFloor = 1u << 20;
    const std::uint64_t reach =
        streamBytes > kAllocationCap / kRatio ? kAllocationCap : streamBytes * kRatio;
    return std::min(std::max(reach, kFloor), kAllocationCap / 4);
}

void SetStreamDecoder(StreamDecoder decoder) {
    Installed() = std::move(decoder);
}

StreamPicture DecodeStream(StreamKind kind, std::span<const std::uint8_t> stream) {
    if (!Installed()) {
        StreamPicture none;
        none.error = "这个程序没有解码嵌入图像的库";
        return none;
    }
    return Installed()(kind, stream);
}

StreamLayout ReadStreamLayout(StreamKind kind, std::span<const std::uint8_t> stream) {
    return kind == StreamKind::Png ? PngLayout(stream) : JpegLayout(stream);
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool IsPng(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.size() >= 8 &&
           std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin());
}

} // namespace bmp
