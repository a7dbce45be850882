// Which pictures every save refuses, and why: a file it wrote would not read back.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "dib/save_rules.h"
#include "platform/cmemfile.h"

#include <gtest/gtest.h>

TEST(SaveRules, APictureIsSavedOnlyWhereItsFileReadsBack) {
    std::vector<BYTE> cut = BmpFields{}.Build();
    cut.resize(cut.size() - 5);
    std::vector<BYTE> rleCut = BmpFields{}
                                   .Bits(8)
                                   .Compression(BI_RLE8)
                                   .Table(std::vector<RGBQUAD>(256))
                                   .Pixels({2, 1, 0, 0, 2, 1, 0, 1})
                                   .SizeImage(8)
                                   .Build();
    rleCut.resize(rleCut.size() - 4);
    const struct {
        const char* name;
        std::vector<BYTE> file;
        SaveAs as;
        const char* says; // the start of the reason, or empty: saved
    } rows[] = {
        // clang-format off
        {"24 bits", BmpFields{}.Build(), SaveAs::Rgb555, ""},
        {"2 bits, through its table", BmpFields{}.Bits(2).Table(std::vector<RGBQUAD>(4)).Build(), SaveAs::Rgb555, ""},
        {"16 bits 5-5-5", BmpFields{}.Bits(16).Build(), SaveAs::Rgb555, ""},
        {"RLE8 whole", BmpFields{}.Bits(8).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({2, 1, 0, 0, 2, 1, 0, 1}).SizeImage(8).Build(), SaveAs::Rgb555, ""},
        {"RLE8 the file cuts before its end", rleCut, SaveAs::Rgb555, "像素数据不完整：文件只有 4 字节的游程编码流"},
        {"RLE8 held whole without an end code", BmpFields{}.Bits(8).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({2, 1}).SizeImage(2).Build(), SaveAs::Rgb555, ""},
        {"RLE8 that fills the picture before the file ends", BmpFields{}.Bits(8).Size(2, 1).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({2, 1}).SizeImage(10).Build(), SaveAs::Rgb555, ""},
        {"24 bits labelled RLE8", BmpFields{}.Compression(BI_RLE8).Build(), SaveAs::AsItIs, "压缩方式 1 与 24 位像素不符"},
        {"24 bits labelled JPEG", BmpFields{}.Compression(4).Build(), SaveAs::Rgb555, "像素数据是嵌入的 JPEG"},
        {"32 bits labelled 9", BmpFields{}.Bits(32).Compression(9).Build(), SaveAs::AsItIs, "压缩方式 9"},
        {"64 bits", BmpFields{}.Bits(64).Build(), SaveAs::Rgb555, ""},
        {"24 bits labelled CMYK", BmpFields{}.Compression(11).Build(), SaveAs::AsItIs, "CMYK 像素"},
        {"rows the file cuts", cut, SaveAs::AsItIs, "像素数据不完整：文件只有 19 字节，这幅图的行需要 24 字节"},
        {"biSizeImage short of the rows", BmpFields{}.SizeImage(12).Build(), SaveAs::AsItIs, "像素数据不完整：biSizeImage 只有 12 字节"},
        {"65535 x 65535 from a few bytes", BmpFields{}.Size(65535, 65535).Pixels({1, 2, 3, 4}).Build(), SaveAs::AsItIs, "像素数据不完整：biSizeImage 只有 4294770688 字节"},
        {"no width", BmpFields{}.Size(0, -2147483647).Pixels({}).Build(), SaveAs::Rgb555, "图像的宽度是 0"},
        {"a width below zero", BmpFields{}.Size(-1, 2147483647).Pixels({}).Build(), SaveAs::Rgb555, "图像的宽度是 -1"},
        {"1 x 536870913 at 1 bit", BmpFields{}.Size(1, 536870913).Bits(1).Table({{}, {}}).Pixels({0, 0, 0, 0}).Build(), SaveAs::Rgb555, "像素数据不完整"},
        {"past 4 GiB at 16 bits", BmpFields{}.Bits(8).Size(70000, 70000).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({0, 1}).SizeImage(2).Build(), SaveAs::Rgb555, "这幅图转换成 16 位后超过 4 GiB"},
        {"the same as it is", BmpFields{}.Bits(8).Size(70000, 70000).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({0, 1}).SizeImage(2).Build(), SaveAs::AsItIs, ""},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        CMemFile file(r.file.data(), static_cast<UINT>(r.file.size()));
        CDib dib;
        ASSERT_TRUE(dib.Read(&file));
        const std::string why = SaveRefusal(dib, r.as);
        EXPECT_EQ(why.rfind(r.says, 0), 0u) << why;
        EXPECT_EQ(why.empty(), *r.says == 0) << why;
    }
}
