// The built-in gallery pictures: their colours, and that they come out the same on every build.

#include "tools/assets/Gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

namespace brelvo::assets {
namespace {

// The picture's pixels row by row, without the spare pixel that pads an odd width.
std::vector<Pixel> Pixels(const Surface& s) {
    std::vector<Pixel> out;
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        out.insert(out.end(), s.Header().Row(y), s.Header().Row(y) + s.GetWidth());
    return out;
}

// FNV-1a over the size and the pixels.
std::uint64_t Fingerprint(const Surface& s) {
    std::uint64_t h = 0xcbf29ce484222325u;
    const auto add = [&h](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            h ^= (v >> (8 * i)) & 0xFFu;
            h *= 0x100000001b3u;
        }
    };
    add(static_cast<std::uint32_t>(s.GetWidth()));
    add(static_cast<std::uint32_t>(s.GetHeight()));
    for (const Pixel p : Pixels(s))
        add(p);
    return h;
}

TEST(Gallery, PicturesArePinnedAndColourfulWithoutTheColourKey) {
    // The pictures are assets: a compiler, a library version or a machine that draws them even
    // one pixel differently would ship different artwork, so each is pinned down here. After a
    // deliberate change to a picture, look at it (tools/common/SurfacePng.h writes it as PNG)
    // and take the new value from the failure message. (The archive's test checks their size.)
    const std::uint64_t fingerprints[] = {0x8219d9205fe9072bu, 0x9b0d85b4bae7643fu,
                                          0xe077136515999ae0u};
    ASSERT_EQ(std::size(fingerprints), static_cast<std::size_t>(kGalleryPictureCount));
    for (int index = 0; index < kGalleryPictureCount; ++index) {
        SCOPED_TRACE(index);
        Surface s;
        ASSERT_TRUE(DrawGalleryPicture(index, s));
        EXPECT_EQ(Fingerprint(s), fingerprints[index]) << std::hex << "now 0x" << Fingerprint(s);
        // What any new version must be: many colours, none of them the artwork's colour key, and
        // no single colour taking over the picture (one that lost its shapes would be little
        // more than its background).
        std::map<Pixel, std::size_t> counts;
        for (const Pixel p : Pixels(s))
            ++counts[p];
        EXPECT_EQ(counts.count(kPixelMagenta), 0u);
        EXPECT_GE(counts.size(), 64u);
        std::size_t commonest = 0;
        for (const auto& [pixel, count] : counts)
            commonest = std::max(commonest, count);
        EXPECT_LT(commonest * 2, static_cast<std::size_t>(s.GetWidth()) * s.GetHeight());
    }
}

TEST(Gallery, RefusesIndicesOutsideTheGallery) {
    for (const int index : {-1, kGalleryPictureCount, 1000}) {
        Surface s;
        EXPECT_FALSE(DrawGalleryPicture(index, s)) << index;
        EXPECT_EQ(s.GetPixels(), nullptr) << index;
    }
}

} // namespace
} // namespace brelvo::assets
