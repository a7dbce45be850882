// decode --colour-managed against profiles made here with Little CMS: one whose primaries
// are sRGB's with red and green swapped, so that a managed red must come out green.
#include "bmp_builder.h"
#include "codecs/png_file.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// sRGB's primaries as XYZ (D65), each row X, Y, Z.
constexpr double kRed[3] = {0.4124, 0.2126, 0.0193};
constexpr double kGreen[3] = {0.3576, 0.7152, 0.1192};
constexpr double kBlue[3] = {0.1805, 0.0722, 0.9505};

cmsCIExyY XyY(const double* xyz) {
    const double sum = xyz[0] + xyz[1] + xyz[2];
    return {xyz[0] / sum, xyz[1] / sum, xyz[1]};
}

std::vector<BYTE> SwappingProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{XyY(kGreen), XyY(kRed), XyY(kBlue)};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<BYTE> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

void PutDword(std::vector<BYTE>& file, std::size_t at, DWORD v) {
    std::memcpy(&file[at], &v, 4);
}

// A 4 × 1 V4 or V5 picture of red, green, blue and grey of the given colour-space type.
std::vector<BYTE> Picture(DWORD headerSize, DWORD csType) {
    std::vector<BYTE> file = BmpFields{}
                                 .Header(headerSize)
                                 .Size(4, 1)
                                 .Pixels({0, 0, 255, 0, 255, 0, 255, 0, 0, 128, 128, 128})
                                 .Build();
    PutDword(file, 14 + 56, csType);
    return file;
}

std::vector<BYTE> WithProfile(std::vector<BYTE> profile, DWORD claimedSize = 0) {
    std::vector<BYTE> file = Picture(124, 0x4D424544); // 'MBED'
    const DWORD at = static_cast<DWORD>(file.size() - 14);
    PutDword(file, 14 + 112, at);
    PutDword(file, 14 + 116, claimedSize != 0 ? claimedSize : static_cast<DWORD>(profile.size()));
    file.insert(file.end(), profile.begin(), profile.end());
    PutDword(file, 2, static_cast<DWORD>(file.size()));
    return file;
}

// Calibrated endpoints: sRGB's with red and green swapped, in 2.30 fixed point; gamma 2.2.
std::vector<BYTE> Calibrated(DWORD headerSize) {
    std::vector<BYTE> file = Picture(headerSize, 0);
    const double* order[3] = {kGreen, kRed, kBlue};
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            PutDword(file, 14 + 60 + 4 * (3 * p + c),
                     static_cast<DWORD>(order[p][c] * static_cast<double>(1 << 30)));
    for (int i = 0; i < 3; ++i)
        PutDword(file, 14 + 96 + 4 * i, 144179); // 2.2 in 16.16
    return file;
}

struct Rgb {
    int r, g, b;
};

TEST(ColourManaged, DecodeTakesTheFilesColoursToSrgb) {
    const Rgb asStored[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 128, 128}};
    const Rgb swapped[4] = {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}, {128, 128, 128}};
    std::vector<BYTE> garbage(200, 0x5A);
    const struct {
        const char* name;
        std::vector<BYTE> file;
        const Rgb* want;
        const char* note; // what stderr must hold; empty: nothing
    } rows[] = {
        {"embedded-swapping-profile", WithProfile(SwappingProfile()), swapped, ""},
        {"v4-calibrated-endpoints", Calibrated(108), swapped, ""},
        {"v5-calibrated-endpoints", Calibrated(124), swapped, ""},
        {"srgb-left-as-stored", Picture(124, 0x73524742), asStored, ""},
        {"profile-little-cms-refuses", WithProfile(garbage), asStored, "Little CMS 读不了"},
        {"profile-past-the-file", WithProfile(SwappingProfile(), 1 << 20), asStored, "超出了文件"},
        {"linked-profile-never-opened", Picture(124, 0x4C494E4B), asStored, "不会替文件打开它"},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string in = dir.Write(std::string(row.name) + ".bmp", row.file);
        const std::string out = dir.Path(std::string(row.name) + ".png");
        const std::string err = dir.Path("err");
        const std::string cmd = std::string("'") + PIXSCOPE_CLI + "' decode --colour-managed '" +
                                in + "' '" + out + "' >/dev/null 2>'" + err + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const std::string said = ReadFileText(err);
        if (*row.note == '\0')
            EXPECT_EQ(said, "");
        else
            EXPECT_NE(said.find(row.note), std::string::npos) << said;
        const codecs::RgbaPicture png = codecs::ReadPng(ReadFileBytes(out));
        ASSERT_EQ(png.width, 4);
        for (int x = 0; x < 4; ++x) {
            const BYTE* p = &png.rgba[static_cast<std::size_t>(4 * x)];
            EXPECT_NEAR(p[0], row.want[x].r, 2) << "pixel " << x;
            EXPECT_NEAR(p[1], row.want[x].g, 2) << "pixel " << x;
            EXPECT_NEAR(p[2], row.want[x].b, 2) << "pixel " << x;
            EXPECT_EQ(p[3], 255);
        }
    }
}

} // namespace
