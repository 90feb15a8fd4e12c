// The built-in gallery pictures: their sizes, their colours, and that they come out the same
// on every build.

#include "tools/assets/Gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <vector>

namespace brelvo::assets {
namespace {

// The editor opens nothing larger.
constexpr int kMaxWidth = 640;
constexpr int kMaxHeight = 480;

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

struct GalleryCase {
    int index;
    // The pictures are assets: a compiler, a library version or a machine that draws them even
    // one pixel differently would ship different artwork, so each is pinned down here. After a
    // deliberate change to a picture, look at it (tools/common/SurfacePng.h writes it as PNG)
    // and take the new value from the failure message.
    std::uint64_t fingerprint;
};

constexpr GalleryCase kCases[] = {
    {0, 0x8219d9205fe9072bu},
    {1, 0x9b0d85b4bae7643fu},
    {2, 0xe077136515999ae0u},
};

void PrintTo(const GalleryCase& c, std::ostream* os) {
    *os << "picture " << c.index;
}

class GalleryPicture : public ::testing::TestWithParam<GalleryCase> {};

TEST_P(GalleryPicture, FitsTheEditorAndComesOutTheSameEveryTime) {
    Surface first, second;
    ASSERT_TRUE(DrawGalleryPicture(GetParam().index, first));
    ASSERT_TRUE(DrawGalleryPicture(GetParam().index, second));
    EXPECT_GT(first.GetWidth(), 0);
    EXPECT_GT(first.GetHeight(), 0);
    EXPECT_LE(first.GetWidth(), kMaxWidth);
    EXPECT_LE(first.GetHeight(), kMaxHeight);
    EXPECT_EQ(Pixels(first), Pixels(second));
    EXPECT_EQ(Fingerprint(first), GetParam().fingerprint)
        << std::hex << "picture " << GetParam().index << " now has fingerprint 0x"
        << Fingerprint(first);
}

// Many colours, none of them the artwork's colour key, and no single colour taking over the
// picture: a picture that lost its shapes would be little more than its background.
TEST_P(GalleryPicture, IsColourfulWithoutTheColourKey) {
    Surface s;
    ASSERT_TRUE(DrawGalleryPicture(GetParam().index, s));
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

INSTANTIATE_TEST_SUITE_P(All, GalleryPicture, ::testing::ValuesIn(kCases));

TEST(Gallery, PicturesDifferFromOneAnother) {
    std::vector<Surface> pictures(kGalleryPictureCount);
    for (int i = 0; i < kGalleryPictureCount; ++i)
        ASSERT_TRUE(DrawGalleryPicture(i, pictures[i]));
    for (int i = 0; i < kGalleryPictureCount; ++i)
        for (int j = i + 1; j < kGalleryPictureCount; ++j)
            EXPECT_NE(Fingerprint(pictures[i]), Fingerprint(pictures[j])) << i << " and " << j;
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
