#include "bench_pictures.h"

#include "platform/allocator.h"

#include <filesystem>

std::unique_ptr<CDib> MakeBenchPicture(int width, int height, int bits) {
    auto dib = std::make_unique<CDib>(CSize(width, height), bits);
    for (int i = 0; i < dib->m_nColorTableEntries; ++i)
        dib->m_pColorTable[i] =
            RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i * 3), static_cast<BYTE>(i * 7), 0};
    dib->AdoptBits(platform::AfxAllocZeroed(dib->m_nImageSize));
    for (DWORD i = 0; i < dib->m_nImageSize; ++i)
        dib->m_pBits[i] = static_cast<BYTE>(i * 2654435761u >> 24);
    dib->MakePalette();
    return dib;
}

std::string BenchPictureFile(int width, int height, int bits) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("pixscope-bench-" + std::to_string(width) + "x" + std::to_string(height) +
                         "-" + std::to_string(bits) + ".bmp"))
                           .string();
    if (!std::filesystem::exists(path)) {
        auto dib = MakeBenchPicture(width, height, bits);
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        dib->Write(&f);
    }
    return path;
}
