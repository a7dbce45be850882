#include "bmp/open_rule.h"

#include "bmp/colour_table.h"

#include <algorithm>
#include <vector>

namespace bmp {

std::optional<Refusal> OpenCommandRefusal(const File& f) {
    if (!f.signature || f.size < 14)
        return Refusal{"magic", 0, "文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它"};
    // The header's kind first: it is what a file of another writer differs by.
    if (f.headerSizeKnown && f.header.size != 40) {
        const bool known = f.header.kind != HeaderKind::Unknown;
        return Refusal{"header-size", 14,
                       "信息头长 " + std::to_string(f.header.size) + " 字节" +
                           (known ? std::string("，是 ") + HeaderName(f.header.kind) : "") +
                           "；Pixscope 的打开命令只读取 40 字节的 BITMAPINFOHEADER"};
    }
    if (f.bfOffBits < 54 || !f.headerSizeKnown)
        return Refusal{"offbits-overlap", 10,
                       "bfOffBits 小于 54，放不下 40 字节的信息头：打开命令拒绝它"};
    const std::uint64_t entries = LoaderEntries(f.header.bitCount, f.header.clrUsed);
    if (14 + 40 + 4 * entries > f.bfOffBits)
        return Refusal{"clr-used", 46, "颜色表超出 bfOffBits 之前的信息头块：打开命令拒绝它"};
    return std::nullopt;
}

std::optional<Refusal> OpenCommandRefusal(std::span<const std::uint8_t> fileHeader,
                                          std::span<const std::uint8_t> headerBlock) {
    // The rule looks at the information header's first fields and no further.
    constexpr std::size_t kJudged = 64;
    std::vector<std::uint8_t> read(fileHeader.begin(), fileHeader.end());
    if (read.size() == 14)
        read.insert(read.end(), headerBlock.begin(),
                    headerBlock.begin() +
                        static_cast<std::ptrdiff_t>(std::min(headerBlock.size(), kJudged)));
    return OpenCommandRefusal(ParseFile(read));
}

} // namespace bmp
