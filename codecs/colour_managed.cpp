#include "codecs/colour_managed.h"

#include <lcms2.h>

#include <vector>

namespace codecs {
namespace {

constexpr std::uint32_t kCalibrated = 0; // LCS_CALIBRATED_RGB

// Little CMS reports its errors here rather than on stderr; the last one is kept.
thread_local std::string g_lastError;
extern "C" void CmsOnError(cmsContext, cmsUInt32Number, const char* text) {
    g_lastError = text != nullptr ? text : "";
}

cmsCIExyY XyYOf(double X, double Y, double Z) {
    const double sum = X + Y + Z;
    return sum > 0 ? cmsCIExyY{X / sum, Y / sum, Y} : cmsCIExyY{0.3127, 0.3290, 1.0};
}

// A profile from the header's endpoints (2.30 fixed point XYZ of each primary) and gammas
// (16.16); null where they give nothing to build one from (all zero, as most writers
// leave them).
cmsHPROFILE CalibratedProfile(const bmp::ColourSpace& cs) {
    double xyz[9];
    for (int i = 0; i < 9; ++i)
        xyz[i] = cs.endpoints[i] / static_cast<double>(1 << 30);
    const double whiteX = xyz[0] + xyz[3] + xyz[6], whiteY = xyz[1] + xyz[4] + xyz[7],
                 whiteZ = xyz[2] + xyz[5] + xyz[8];
    if (whiteY <= 0)
        return nullptr;
    const cmsCIExyY white = XyYOf(whiteX, whiteY, whiteZ);
    const cmsCIExyYTRIPLE primaries{XyYOf(xyz[0], xyz[1], xyz[2]), XyYOf(xyz[3], xyz[4], xyz[5]),
                                    XyYOf(xyz[6], xyz[7], xyz[8])};
    cmsToneCurve* curves[3];
    for (int i = 0; i < 3; ++i) {
        const double gamma = cs.gamma[i] / 65536.0;
        curves[i] = cmsBuildGamma(nullptr, gamma > 0 ? gamma : 1.0);
    }
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    for (cmsToneCurve* c : curves)
        cmsFreeToneCurve(c);
    return profile;
}

} // namespace

std::unique_ptr<ColourTransform> ColourTransform::For(const bmp::File& file,
                                                      std::span<const std::uint8_t> bytes,
                                                      std::string* note) {
    note->clear();
    const bmp::Header& h = file.header;
    if (h.kind != bmp::HeaderKind::V4 && h.kind != bmp::HeaderKind::V5)
        return nullptr;
    cmsSetLogErrorHandler(CmsOnError);
    const bmp::ColourSpace& cs = h.colourSpace;
    cmsHPROFILE source = nullptr;
    if (cs.type == bmp::kProfileLinked) {
        *note = "颜色配置文件是链接的文件名，Pixscope 不会替文件打开它；颜色按存放的值写出";
        return nullptr;
    }
    if (cs.type == bmp::kProfileEmbedded && h.kind == bmp::HeaderKind::V5) {
        const std::uint64_t at = file.start + 14 + std::uint64_t{cs.profileData};
        if (at >= bytes.size() || cs.profileSize > bytes.size() - at || cs.profileSize == 0) {
            *note = "嵌入的颜色配置文件超出了文件；颜色按存放的值写出";
            return nullptr;
        }
        g_lastError.clear();
        source = cmsOpenProfileFromMem(bytes.data() + at, cs.profileSize);
        if (source == nullptr) {
            *note =
                "Little CMS 读不了嵌入的颜色配置文件（" + g_lastError + "）；颜色按存放的值写出";
            return nullptr;
        }
    } else if (cs.type == kCalibrated) {
        source = CalibratedProfile(cs);
        if (source == nullptr)
            return nullptr; // no endpoints: nothing to calibrate by
    } else {
        return nullptr; // 'sRGB', 'Win ': already what a screen shows
    }
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    g_lastError.clear();
    cmsHTRANSFORM t = cmsCreateTransform(source, TYPE_RGBA_8, srgb, TYPE_RGBA_8, INTENT_PERCEPTUAL,
                                         cmsFLAGS_COPY_ALPHA);
    cmsCloseProfile(source);
    cmsCloseProfile(srgb);
    if (t == nullptr) {
        *note = "Little CMS 不能从这个颜色配置文件转换到 sRGB（" + g_lastError +
                "）；颜色按存放的值写出";
        return nullptr;
    }
    return std::unique_ptr<ColourTransform>(new ColourTransform(t));
}

ColourTransform::~ColourTransform() {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(m_transform));
}

void ColourTransform::Apply(std::uint8_t* rgba, std::size_t count) const {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(m_transform), rgba, rgba,
                   static_cast<cmsUInt32Number>(count));
}

} // namespace codecs
