#pragma once

#include "gfx/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

namespace brelvo::test {

// A Surface of the given size filled with random pixels. A few pixels are set to the colour key
// so that keyed paths have something to skip.
inline Surface RandomSurface(std::mt19937& rng, std::int32_t w, std::int32_t h) {
    Surface s;
    EXPECT_EQ(s.Create(0, w, h), kOk);
    std::uniform_int_distribution<int> pix(0, 0xFFFF), coin(0, 7);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = coin(rng) == 0 ? s.GetColorKey() : static_cast<Pixel>(pix(rng));
    return s;
}

// A Surface of the given size with every pixel, spare ones included, set to p.
inline Surface Solid(std::int32_t w, std::int32_t h, Pixel p) {
    Surface s;
    EXPECT_EQ(s.Create(0, w, h), kOk);
    std::fill(s.GetPixels(), s.GetPixels() + s.GetSize() / 2, p);
    return s;
}

// Duplicates a Surface including the spare pixel at the end of odd-width rows, so that two
// implementations can be run on identical starting storage.
inline Surface Clone(const Surface& src) {
    Surface s;
    EXPECT_EQ(s.Create(0, src.GetWidth(), src.GetHeight()), kOk);
    std::copy_n(src.GetPixels(), src.GetSize() / 2, s.GetPixels());
    s.SetColorKeyRaw(src.GetColorKey());
    return s;
}

// Compares the whole storage, spare pixels included: a fast path must not touch what the
// literal version leaves alone.
inline ::testing::AssertionResult SameStorage(const Surface& a, const Surface& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return ::testing::AssertionFailure() << "sizes differ";
    for (std::uint32_t i = 0; i < a.GetSize() / 2; ++i) {
        if (a.GetPixels()[i] != b.GetPixels()[i]) {
            const std::uint32_t pitch = a.GetPitch();
            return ::testing::AssertionFailure()
                   << "pixel (" << i % pitch << ", " << i / pitch << ") is 0x" << std::hex
                   << a.GetPixels()[i] << ", expected 0x" << b.GetPixels()[i];
        }
    }
    return ::testing::AssertionSuccess();
}

// A Surface's header on one line, for comparing it whole.
inline std::string Describe(const Surface& s) {
    const SurfaceHeader& h = s.Header();
    std::ostringstream o;
    o << h.width << "x" << h.height << " format " << h.format << " bpp " << h.bytesPerPixel
      << " pitch " << h.pitch << "/" << h.pitchBytes << " size " << h.size << " key " << std::hex
      << h.colorKey
      << (!h.pixels        ? " no pixels"
          : s.OwnsPixels() ? " owned"
                           : " borrowed");
    return o.str();
}

inline Pixel PixelAt(const Surface& s, std::int32_t x, std::int32_t y) {
    return s.GetPixels()[static_cast<std::size_t>(y) * s.GetPitch() + static_cast<std::size_t>(x)];
}

} // namespace brelvo::test
