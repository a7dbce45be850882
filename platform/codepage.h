// Conversions between UTF-8 (the Linux edge: terminals, file names, Qt) and the
// code page 936 bytes that all of the program's text is kept in.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to GBK. A character GBK lacks, or an invalid UTF-8 sequence, becomes '?',
// as the Windows conversion does with its default character.
std::string Utf8ToGbk(std::string_view utf8);

// UTF-8 to GB18030, which equals GBK on every character GBK has and can hold every
// other one; invalid UTF-8 bytes become U+FFFD. Used for file names, which must
// never be mangled.
std::string Utf8ToGb18030(std::string_view utf8);

// Code page 936 text (GBK, or GB18030 as above) to UTF-8; undecodable bytes become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// Lead byte of a two-byte character in code page 936.
constexpr bool IsLeadByte936(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

} // namespace platform
