#include "structure/unit_node.h"

namespace structure {

namespace {

using Kind = inspect::PixelUnit::Kind;

std::string At(const inspect::PixelUnit& u) {
    if (!u.y)
        return "图像之外";
    std::string at = "(";
    at += std::to_string(*u.x);
    at += ", ";
    at += std::to_string(*u.y);
    return at + ")";
}

std::string Values(const inspect::PixelUnit& u, std::size_t most) {
    std::string out;
    for (std::size_t i = 0; i < u.indices.size() && i < most; ++i) {
        char b[16];
        std::snprintf(b, sizeof b, u.colours ? "#%06X" : "%u", u.indices[i]);
        if (i > 0)
            out += ',';
        out += b;
    }
    return out + (u.indices.size() > most ? ",…" : "");
}

std::string Name(const inspect::PixelUnit& u) {
    switch (u.kind) {
    case Kind::Row:
        return u.y ? "行 y=" + std::to_string(*u.y) : "行";
    case Kind::Run:
        return "游程";
    case Kind::Absolute:
        return "绝对段";
    case Kind::Delta:
        return "位移";
    case Kind::EndOfLine:
        return "行结束";
    case Kind::EndOfBitmap:
        return "位图结束";
    case Kind::Unused:
        return "未使用的字节";
    }
    return "";
}

std::string Value(const inspect::PixelUnit& u) {
    switch (u.kind) {
    case Kind::Row:
        return u.bits > 0 ? std::to_string(u.codes.size()) + " 个码" : "";
    case Kind::Run:
        return std::to_string(u.count) + " × " + Values(u, 2);
    case Kind::Absolute:
        return std::to_string(u.count) + " 个像素";
    case Kind::Delta:
        return "dx=" + std::to_string(u.dx) + ", dy=" + std::to_string(u.dy);
    case Kind::EndOfLine:
        return "00 00";
    case Kind::EndOfBitmap:
        return "00 01";
    case Kind::Unused:
        return "";
    }
    return "";
}

std::string Meaning(const inspect::PixelUnit& u) {
    switch (u.kind) {
    case Kind::Row:
        if (u.bits > 0)
            return "Huffman 1D 编码的一行，从第 " + std::to_string(u.bit) + " 位起共 " +
                   std::to_string(u.bits) + " 位";
        return "存放的一行像素" +
               (u.padding > 0 ? "，末尾 " + std::to_string(u.padding) + " 字节填充" : "");
    case Kind::Run:
        return "从 " + At(u) + " 起 " + std::to_string(u.count) + " 个像素" +
               (u.indices.size() == 2 ? "交替取索引 " + Values(u, 2)
                : u.colours           ? "都是颜色 " + Values(u, 1)
                                      : "都是索引 " + Values(u, 1));
    case Kind::Absolute:
        return "从 " + At(u) + " 起逐个给出：" + Values(u, 16);
    case Kind::Delta:
        return "从 " + At(u) + " 向右 " + std::to_string(u.dx) + "、向上 " + std::to_string(u.dy) +
               " 行；跳过的像素没有设置";
    case Kind::EndOfLine:
        return "在 " + At(u) + " 结束本行，转到上一行的开头";
    case Kind::EndOfBitmap:
        return "在 " + At(u) + " 结束图像；其余像素没有设置";
    case Kind::Unused:
        return "编码流之后的字节，读取程序不读";
    }
    return "";
}

const char* CodeName(bmp::HuffmanCode::Kind kind) {
    return kind == bmp::HuffmanCode::Kind::MakeUp        ? "组合码"
           : kind == bmp::HuffmanCode::Kind::Terminating ? "终止码"
                                                         : "行同步码（EOL）";
}

} // namespace

StructureModel::Node UnitNode(const inspect::PixelUnit& u) {
    StructureModel::Node node{
        {Name(u), HexOffset(u.offset), std::to_string(u.size), Value(u), Meaning(u)},
        ByteRange{u.offset, u.size},
        !u.fault.empty(),
        {},
        {}};
    if (!u.fault.empty())
        node.columns[4] += "。" + u.fault;
    for (const bmp::HuffmanCode& c : u.codes) {
        const std::uint64_t first = c.bit / 8,
                            end = (c.bit + static_cast<std::uint64_t>(c.bits) + 7) / 8;
        node.children.push_back(StructureModel::Node{
            {CodeName(c.kind), HexOffset(first), std::to_string(end - first),
             c.kind == bmp::HuffmanCode::Kind::EndOfLine
                 ? ""
                 : std::string(c.black ? "黑 " : "白 ") + std::to_string(c.run),
             "第 " + std::to_string(c.bit) + " 位起 " + std::to_string(c.bits) + " 位" +
                 (c.run > 0 ? "：从 x=" + std::to_string(c.x) + " 起 " + std::to_string(c.run) +
                                  " 个" + (c.black ? "黑" : "白") + "像素"
                            : "")},
            ByteRange{first, end - first},
            false,
            {},
            {}});
    }
    return node;
}

} // namespace structure
