#include "bmp/channel.h"

namespace bmp {

Channel Channel::FromMask(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = __builtin_ctz(mask);
    c.bits = 32 - __builtin_clz(mask) - c.shift;
    if (c.bits <= 8) {
        for (std::uint32_t v = 0; v < (1u << c.bits); ++v) {
            std::uint32_t out = v << (8 - c.bits);
            for (int filled = c.bits; filled < 8; filled += c.bits)
                out |= out >> c.bits;
            c.widened[v] = static_cast<std::uint8_t>(out);
        }
    }
    return c;
}

} // namespace bmp
