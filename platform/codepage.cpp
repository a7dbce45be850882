#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; returns the number of input bytes consumed.
    size_t Run(const char* in, size_t inLen, std::string& out) {
        char* src = const_cast<char*>(in);
        size_t left = inLen;
        char buf[4096];
        for (;;) {
            char* dst = buf;
            size_t room = sizeof buf;
            size_t r = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r != static_cast<size_t>(-1) || errno != E2BIG)
                break;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return inLen - left;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence a lead byte announces; 1 for a stray byte.
size_t Utf8SequenceLength(unsigned char c) {
    if (c >= 0xF0 && c <= 0xF4)
        return 4;
    if (c >= 0xE0)
        return c <= 0xEF ? 3 : 1;
    if (c >= 0xC2)
        return 2;
    return 1;
}

std::string ConvertFromUtf8(const char* target, std::string_view in, std::string_view substitute,
                            bool skipWholeSequence) {
    Converter conv(target, "UTF-8");
    std::string out;
    out.reserve(in.size());
    size_t pos = 0;
    while (pos < in.size()) {
        pos += conv.Run(in.data() + pos, in.size() - pos, out);
        if (pos >= in.size())
            break;
        out.append(substitute);
        size_t skip =
            skipWholeSequence ? Utf8SequenceLength(static_cast<unsigned char>(in[pos])) : 1;
        pos += std::min(skip, in.size() - pos);
    }
    return out;
}

} // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    return ConvertFromUtf8("GBK", utf8, "?", true);
}

std::string Utf8ToGb18030(std::string_view utf8) {
    // U+FFFD in GB18030; only invalid UTF-8 can stop this conversion, so skip byte by byte.
    return ConvertFromUtf8("GB18030", utf8, "\x84\x31\xA4\x37", false);
}

std::string GbkToUtf8(std::string_view gbk) {
    Converter conv("UTF-8", "GB18030");
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    size_t pos = 0;
    while (pos < gbk.size()) {
        pos += conv.Run(gbk.data() + pos, gbk.size() - pos, out);
        if (pos >= gbk.size())
            break;
        // Code page 936 has the euro at 0x80, which GB18030 moved elsewhere.
        if (static_cast<unsigned char>(gbk[pos]) == 0x80) {
            out.append("\xE2\x82\xAC");
        } else {
            out.append("\xEF\xBF\xBD");
        }
        ++pos;
    }
    return out;
}

} // namespace platform
