// The stored colours of a file taken to sRGB through Little CMS: by its embedded ICC
// profile, or by the calibrated endpoints and gammas of a V4 or V5 header. A linked
// profile is never opened.
#pragma once

#include "bmp/layout.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace codecs {

class ColourTransform {
public:
    // The transform a file's header asks for. Null (and *note empty) where the colours
    // are sRGB already; null with *note set where a profile cannot be used.
    static std::unique_ptr<ColourTransform>
    For(const bmp::File& file, std::span<const std::uint8_t> bytes, std::string* note);
    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    // Converts count pixels of red, green, blue, alpha in place; alpha is kept.
    void Apply(std::uint8_t* rgba, std::size_t count) const;

private:
    explicit ColourTransform(void* transform) : m_transform(transform) {}
    void* m_transform;
};

} // namespace codecs
