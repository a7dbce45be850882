// Text in code page 936 and its conversions at the edges.
#include "platform/codepage.h"
#include "platform/cstring.h"
#include "platform/ctime.h"

#include <gtest/gtest.h>

TEST(CodePage, ProgramStringsHaveTheirByteLengths) {
    struct Case {
        const char* utf8;
        int gbkBytes;
    };
    const Case cases[] = {{"请先打开BMP图片o(╯□╰)o", 25},
                          {"输入的坐标超过图像大小了⊙﹏⊙b汗", 33},
                          {"目前只支持24/32位真彩位图！(⊙o⊙)…", 36},
                          {"位图信息已经复制到剪贴板了\\(^o^)/", 33},
                          {"“请填入一个在0和255之间的整数。”", 34}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        CString s = CString::FromUtf8(c.utf8);
        EXPECT_EQ(s.GetLength(), c.gbkBytes);
        EXPECT_EQ(s.ToUtf8(), c.utf8);
    }
    EXPECT_EQ(CString::FromUtf8("╯").Bytes(), "\xA8\x73");
}

TEST(CodePage, WhatGbkLacksBecomesOneQuestionMarkPerCharacter) {
    const struct {
        const char *name, *utf8, *gbk;
    } cases[] = {
        {"U+30FB, 3 bytes", "a\u30FBb", "a?b"},
        {"U+FFFD, lead byte 0xEF", "a\uFFFDb", "a?b"},
        {"an emoji, 4 bytes", "a\U0001F600b", "a?b"},
        {"the last plane, lead byte 0xF4", "a\U0010FFFDb", "a?b"},
        {"U+07C0, 2 bytes with lead byte 0xDF", "a\u07C0b", "a?b"},
        {"U+0080, lead byte 0xC2", "a\u0080!", "a?!"},
        {"a stray 0xFF", "a\xFF!", "a?!"},
        {"a stray continuation byte", "a\x80!", "a?!"},
        {"an overlong lead byte 0xC1", "a\xC1\x80!", "a?\?!"},
        {"a lead byte cut short", "a\xE3\x83", "a?"},
        {"the euro", "\u20AC", "\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString::FromUtf8(c.utf8).Bytes(), c.gbk) << c.name;
    EXPECT_EQ(CString("\x80").ToUtf8(), "€");
}

TEST(CodePage, FileNamesSurviveAsGb18030) {
    // A character GBK lacks keeps its identity, and a byte that is not UTF-8 becomes U+FFFD.
    std::string name = "/tmp/\xE3\x83\xBB\xFF.bmp";
    std::string text = platform::Utf8ToGb18030(name);
    EXPECT_EQ(platform::GbkToUtf8(text), "/tmp/\xE3\x83\xBB\xEF\xBF\xBD.bmp");
    EXPECT_EQ(platform::Utf8ToGb18030("图"), CString::FromUtf8("图").Bytes());
}

TEST(CodePage, TextsLongerThanAConversionBufferConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 3000; ++i)
        utf8 += "图";
    const std::string gbk = platform::Utf8ToGb18030(utf8);
    EXPECT_EQ(gbk.size(), 6000u);
    EXPECT_EQ(platform::GbkToUtf8(gbk), utf8);
}

TEST(CodePage, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(platform::GbkToUtf8("a\xFF"
                                  "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(platform::GbkToUtf8("a\xCE"), "a\xEF\xBF\xBD"); // a lead byte at the end
}

TEST(CString, FormatAndByteOperations) {
    CString s;
    s.Format("%s|%d|%x|%8.8x|%ld", "ab", -5, 0x4d42u, 54u, 2147483647L);
    EXPECT_EQ(s, "ab|-5|4d42|00000036|2147483647");
    CString big;
    big.Format("%0300d", 1);
    EXPECT_EQ(big.GetLength(), 300);
    CString a("abc");
    EXPECT_EQ(a.Left(2), "ab");
    EXPECT_EQ(a.Mid(1), "bc");
    EXPECT_EQ(a.Mid(5, 1), "");
    EXPECT_EQ(a + "d" + CString("e"), "abcde");
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_EQ(CString("a\0b", 3).GetLength(), 3);
}

TEST(CTime, FormatsLocalTimeWithCodePage936Literals) {
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    CString f = CString::FromUtf8("%Y年%m月%d日%H:%M:%S");
    EXPECT_EQ(CTime(1342429503).Format(f).ToUtf8(), "2012年07月16日17:05:03");
    unsetenv("TZ");
    tzset();
}
