#include "inspect/describe.h"

#include <cstdio>

namespace {

std::string Offset(std::uint64_t offset) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "0x%08llx (%llu)", static_cast<unsigned long long>(offset),
                  static_cast<unsigned long long>(offset));
    return buf;
}

} // namespace

std::string inspect::HexBytes(const std::vector<std::uint8_t>& bytes, const char* between) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += (i == 0 ? "" : between);
        out += buf;
    }
    return out;
}

const char* inspect::SeverityLabel(Severity s) {
    switch (s) {
    case Severity::Error:
        return "错误";
    case Severity::Warning:
        return "警告";
    default:
        return "提示";
    }
}

std::string inspect::DescribeFinding(const Finding& f) {
    return Offset(f.offset) + "  " + SeverityLabel(f.severity) + "  " + f.id + "：" + f.message;
}

std::string inspect::SummariseFindings(const std::vector<Finding>& findings) {
    if (findings.empty())
        return "没有发现问题：文件与它的字段一致。";
    size_t counts[3] = {};
    for (const Finding& f : findings)
        ++counts[static_cast<int>(f.severity)];
    return "共 " + std::to_string(findings.size()) + " 条：错误 " + std::to_string(counts[0]) +
           " 条，警告 " + std::to_string(counts[1]) + " 条，提示 " + std::to_string(counts[2]) +
           " 条。";
}

std::string inspect::DescribePixelLocation(const PixelLocation& p) {
    std::string out = "像素(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")\n";
    if (p.runLength) {
        if (p.offset)
            out +=
                "设置它的游程编码位于 " + Offset(*p.offset) + "：" + HexBytes(p.bytes, " ") + "\n";
        else
            out += "没有游程编码设置这个像素\n";
        return out + "存储行 " + std::to_string(p.row);
    }
    out += "文件偏移 " + Offset(p.offset.value_or(0));
    if (p.bit)
        out += "，第 " + std::to_string(*p.bit) + " 位";
    out += "\n存储行 " + std::to_string(p.row) + "，行首偏移 " + Offset(p.rowOffset) + "\n";
    out += "行跨度 " + std::to_string(p.stride) + " 字节，填充 " + std::to_string(p.padding) +
           " 字节\n";
    return out + "像素字节 " +
           (!p.read           ? std::string("(超出打开命令读取的字节，显示为黑色)")
            : p.bytes.empty() ? std::string("(超出文件末尾)")
                              : HexBytes(p.bytes, " "));
}
