#include "structure/decoding_text.h"

#include "structure/structure_model.h"

#include <cstdio>
#include <cstring>

namespace structure {

namespace {

std::string Hex(std::uint64_t v, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(v));
    return text;
}

std::string Byte(const std::optional<std::uint8_t>& b) {
    return b ? std::to_string(*b) : "?";
}

const char* Chinese(const char* channel) {
    return std::strcmp(channel, "red") == 0     ? "红"
           : std::strcmp(channel, "green") == 0 ? "绿"
           : std::strcmp(channel, "blue") == 0  ? "蓝"
                                                : "alpha";
}

std::string Entry(const inspect::TableEntry& e, std::uint32_t index) {
    std::string text = "颜色表第 " + std::to_string(index) + " 项（" + HexOffset(e.offset) + "）";
    if (!e.inTable)
        return text + "超出颜色表，显示为黑色";
    text += "：B,G,R";
    text += e.reserved ? ",保留 = " : " = ";
    text += Byte(e.b) + "," + Byte(e.g) + "," + Byte(e.r);
    if (e.reserved)
        text += "," + Byte(e.reserved);
    return text;
}

} // namespace

std::string DecodingText(const inspect::PixelDecoding& d, int bits) {
    if (d.skipped != nullptr)
        return std::string("没有游程码设置它，按 ") + d.skipped + " 取色" +
               (d.entry ? "：" + Entry(*d.entry, 0) : "");
    if (!d.raw)
        return "";
    std::string text = "原值 " + Hex(*d.raw, (bits + 3) / 4);
    if (d.index && d.entry)
        return text + " → " + Entry(*d.entry, *d.index);
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        const inspect::ChannelStep& c = d.channels[i];
        text += (i == 0 ? "：" : "；") + std::string(Chinese(c.name)) + " 掩码 " +
                HexOffset(c.mask) + " → " + std::to_string(c.value) + "（" +
                std::to_string(c.bits) + " 位）→ " + std::to_string(c.widened);
    }
    for (std::size_t i = 0; i < d.fixed.size(); ++i) {
        const inspect::FixedStep& f = d.fixed[i];
        char step[160];
        std::snprintf(step, sizeof step, "%s%s %d = %.4f → %s %.4f → %d", i == 0 ? "：" : "；",
                      Chinese(f.name), f.stored, f.value,
                      std::strcmp(f.name, "alpha") == 0 ? "截取" : "线性", f.linear, f.result);
        text += step;
    }
    if (d.channels.empty() && d.fixed.empty())
        text += "（B、G、R 各 8 位，按原样）";
    return text;
}

} // namespace structure
