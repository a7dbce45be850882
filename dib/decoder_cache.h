// The decoder a CDib keeps for its picture, with what it was made from.
#pragma once

#include "bmp/decoder.h"
#include "dib/dib.h"

#include <vector>

struct CDib::DecoderCache {
    // The bytes of the header block a decoder reads: header, masks, a full colour table.
    static constexpr DWORD kKeyBytes = sizeof(BITMAPINFOHEADER) + 16 + 4 * 256;
    std::vector<BYTE> header;
    const BYTE* info = nullptr;
    const BYTE* bits = nullptr;
    DWORD length = 0, held = 0;
    bmp::Decoder decoder;
};
