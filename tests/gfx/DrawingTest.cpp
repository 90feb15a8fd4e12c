#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "gfx/Shapes.h"
#include "gfx/TransformBlit.h"

#include "platform/CodePage.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

namespace brelvo {
namespace {

using test::Describe;
using test::PixelAt;
using test::Solid;

TEST(PixelFormat, ConversionsKeepTopBitsWithoutRoundingAndMixAsDesigned) {
    const std::tuple<Color, Pixel, Color> cases[] = {
        {0xff00ff, 0xF81F, 0xf800f8}, {0xf8fcf8, 0xFFFF, 0xf8f8f8}, {0xc7c7c7, 0xC638, 0xc0c0c0},
        {0xffffff, 0xFFFF, 0xf8f8f8}, {0x000000, 0x0000, 0x000000}, {0x123456, 0x51A2, 0x103050}};
    for (const auto& [color, pixel, back] : cases) {
        EXPECT_EQ(ColorToPixel(color), pixel) << color;
        EXPECT_EQ(PixelToColor(pixel), back) << color;
    }
    // Read back and stored again, every pixel loses only the lowest green bit.
    for (std::uint32_t p = 0; p <= 0xFFFF; ++p)
        ASSERT_EQ(ColorToPixel(PixelToColor(static_cast<Pixel>(p))), p & ~0x20u) << p;
    const std::tuple<Pixel, Pixel, std::uint32_t, Pixel> mixes[] = {
        {0xFFFF, 0x0000, 127, 0x7BEF}, {0xFFFF, 0x0000, 255, 0xF7DE}, {0x1234, 0xABCD, 0, 0xABCD},
        {0x0000, 0xFFFF, 255, 0x0000}, {0xF800, 0x001F, 128, 0x780F},
    };
    for (const auto& [s, d, alpha, expected] : mixes)
        EXPECT_EQ(MixPixel(s, d, alpha), expected) << s << " " << d << " " << alpha;
}

// A size it cannot hold is refused, and a side of 0 makes an empty Surface.
TEST(Surface, CreateSetsTheHeaderAndKeepsItsBlockForTheSameSize) {
    const std::string empty = "0x0 format 0 bpp 0 pitch 0/0 size 0 key f81f no pixels";
    const std::tuple<int, int, HResult, std::string> cases[] = {
        {5, 3, kOk, "5x3 format 1 bpp 2 pitch 6/12 size 36 key f81f owned"},
        {4, 1, kOk, "4x1 format 1 bpp 2 pitch 4/8 size 8 key f81f owned"},
        {1, 1, kOk, "1x1 format 1 bpp 2 pitch 2/4 size 4 key f81f owned"},
        {0, 10, kOk, empty},
        {-1, 5, kErrInvalidArg, empty},
        {70000, 70000, kErrOutOfMemory, empty}};
    for (const auto& [w, h, result, expected] : cases) {
        Surface s;
        EXPECT_EQ(s.Create(0, w, h), result) << w << "x" << h;
        EXPECT_EQ(Describe(s), expected);
    }
    Surface s;
    ASSERT_EQ(s.Create(0, 5, 3), kOk);
    Pixel* block = s.GetPixels();
    s.GetPixels()[7] = 0x1234;
    ASSERT_EQ(s.Create(0, 5, 3), kOk);
    EXPECT_EQ(s.GetPixels(), block);
    EXPECT_EQ(s.GetPixels()[7], 0x1234);
    ASSERT_EQ(s.Create(CREATE_CLEAR, 5, 3), kOk);
    EXPECT_EQ(s.GetPixels(), block);
    EXPECT_TRUE(test::SameStorage(s, Solid(5, 3, 0)));
}

TEST(Surface, BorrowedStorageIsNeverClaimed) {
    std::vector<Pixel> backBuffer(240 * 320, 0x4242);
    Surface s;
    ASSERT_EQ(s.Create(CREATE_NOSTORAGE, 240, 320), kOk);
    EXPECT_EQ(Describe(s), "240x320 format 1 bpp 2 pitch 240/480 size 153600 key f81f no pixels");
    s.AttachPixels(backBuffer.data());
    EXPECT_EQ(Describe(s), "240x320 format 1 bpp 2 pitch 240/480 size 153600 key f81f borrowed");
    // Same size without CREATE_NOSTORAGE: fresh storage, the borrowed block stays the owner's.
    ASSERT_EQ(s.Create(0, 240, 320), kOk);
    EXPECT_NE(s.GetPixels(), backBuffer.data());
    EXPECT_TRUE(s.OwnsPixels());
    EXPECT_EQ(backBuffer[0], 0x4242);
    ASSERT_EQ(s.Create(CREATE_NOSTORAGE, 240, 320), kOk);
    s.AttachPixels(backBuffer.data());
    s.Release(); // would crash under ASan if it freed the vector's block
    EXPECT_EQ(s.GetPixels(), nullptr);
}

TEST(Surface, PixelAccessOutsideIsRefused) {
    Surface s = Solid(4, 3, 0);
    Color c = 0xABCDEF;
    EXPECT_EQ((std::tuple{s.GetPixel(-1, 0, &c), c, s.SetPixel(4, 0, 0xFFFFFF),
                          s.SetPixel(0, 3, 0xFFFFFF)}),
              std::tuple(kErrInvalidArg, 0xABCDEFu, kErrInvalidArg, kErrInvalidArg));
    EXPECT_TRUE(test::SameStorage(s, Solid(4, 3, 0)));
    EXPECT_EQ(s.GetPixelRaw(-1, 0), 0xF81F);
    s.SetColorKey(0xf8fcf8);
    EXPECT_EQ(std::pair(s.GetColorKey(), s.GetPixelRaw(0, 3)),
              std::pair(Pixel{0xFFFF}, Pixel{0xFFFF}));
    EXPECT_EQ((std::tuple{s.SetPixel(0, 0, 0x123456), PixelAt(s, 0, 0), s.GetPixel(0, 0, &c), c}),
              std::tuple(kOk, Pixel{0x51A2}, kOk, 0x103050u));
}

TEST(Surface, MoveTransfersTheStorage) {
    Surface a = Solid(3, 3, 0), c = Solid(8, 8, 0);
    Pixel* block = a.GetPixels();
    Surface b(std::move(a));
    EXPECT_EQ(a.GetPixels(), nullptr); // NOLINT(bugprone-use-after-move)
    c = std::move(b);
    EXPECT_EQ(std::pair(c.GetPixels(), c.GetWidth()), std::pair(block, 3));
}

// Surfaces that the random comparisons below never make: without storage, or empty.
TEST(Blit, SurfacesWithoutPixelsAndFlagsWithoutAnEffectAreRefused) {
    Surface dst = Solid(4, 4, 0x1111), view, empty;
    ASSERT_EQ(view.Create(CREATE_NOSTORAGE, 4, 4), kOk);
    EXPECT_EQ(std::tuple(Blit(dst, 0, 0, view), Blit(empty, 0, 0, dst),
                         Blit(dst, 0, 0, dst, nullptr, BLT_MIRROR_H), FillRect(empty, nullptr, 0)),
              std::tuple(kErrInvalidArg, kErrInvalidArg, kErrInvalidArg, kErrNoPixels));
    Surface copy = Solid(2, 2, 0x3333);
    EXPECT_EQ(CopySurface(view, copy), kErrInvalidArg);
    EXPECT_TRUE(test::SameStorage(copy, Solid(2, 2, 0x3333)));
    EXPECT_TRUE(test::SameStorage(dst, Solid(4, 4, 0x1111)));
}

TEST(Blit, MatchesTheLiteralVersion) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> size(1, 40), pos(-50, 50), flagBits(0, 7), byte(0, 255);
    const std::uint32_t flagSets[] = {0, BLT_KEYED, BLT_FILL, BLT_BLEND};
    for (int iter = 0; iter < 3000; ++iter) {
        Surface src = test::RandomSurface(rng, size(rng), size(rng));
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const auto bits = static_cast<std::uint32_t>(flagBits(rng));
        const std::uint32_t flags = iter % 4 == 0 ? flagSets[iter / 4 % 4] : bits;
        BlitEffect fx;
        fx.color = static_cast<Color>(rng() & 0xFFFFFF);
        fx.alpha = iter % 3 == 0 ? 127 : static_cast<std::uint16_t>(byte(rng));
        const BlitEffect* effect = iter % 5 != 0 ? &fx : nullptr;
        const Rect r(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect* rect = iter % 2 == 0 ? &r : nullptr;
        const std::int32_t x = pos(rng), y = pos(rng);
        ASSERT_EQ(Blit(dst, x, y, src, rect, flags, effect),
                  reference::Blit(ref, x, y, src, rect, flags, effect))
            << "iteration " << iter;
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter << " flags " << flags;
    }
}

TEST(FillRect, MatchesTheLiteralVersion) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> size(1, 40), pos(-20, 60), byte(0, 300);
    for (int iter = 0; iter < 3000; ++iter) {
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const Rect r(pos(rng), pos(rng), pos(rng), pos(rng));
        const Color color = iter % 7 == 0 ? 0 : static_cast<Color>(rng() & 0xFFFFFF);
        const std::uint32_t flags = iter % 2 ? FILL_BLEND : 1;
        const auto alpha = static_cast<std::uint16_t>(iter % 3 == 0 ? 127 : byte(rng));
        const bool whole = iter % 11 == 0;
        ASSERT_EQ(FillRect(dst, whole ? nullptr : &r, color, flags, &alpha),
                  reference::FillRect(ref, whole ? nullptr : &r, color, flags, &alpha));
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter;
    }
}

TEST(CopySurface, DuplicatesPixelsButNotTheKey) {
    std::mt19937 rng(5);
    Surface src = test::RandomSurface(rng, 8, 5), dst; // even: no spare pixel
    src.SetColorKeyRaw(0x1234);
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0xF81F); // new size: the default key
    EXPECT_TRUE(test::SameStorage(dst, src));
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0x4321); // same size: keeps its own
}

TEST(DrawLine, MatchesTheLiteralVersionWithAndWithoutClipping) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> size(1, 50), pos(-80, 120), big(-2000000000, 2000000000);
    for (int iter = 0; iter < 20000; ++iter) {
        const int w = size(rng), h = size(rng);
        const bool huge = iter % 10 == 0;
        const int x1 = huge ? big(rng) : pos(rng), y1 = huge ? big(rng) : pos(rng);
        const int x2 = pos(rng), y2 = pos(rng);
        // Unclipped lines are tried only with short spans: the literal version steps through
        // every pixel of the line, inside or not.
        const std::uint32_t flags = (!huge && iter % 3 == 0) ? LINE_NOCLIP : 0;
        Surface a = Solid(w, h, 0), b = Solid(w, h, 0);
        DrawLine(a, x1, y1, x2, y2, 0x00ff00, flags);
        reference::DrawLine(b, x1, y1, x2, y2, 0x00ff00, flags);
        ASSERT_TRUE(test::SameStorage(a, b))
            << iter << ": " << x1 << "," << y1 << " -> " << x2 << "," << y2 << " on " << w << "x"
            << h << " flags " << flags;
    }
}

TEST(DrawLine, UnclippedLinesAndSpansNeverLeaveTheSurface) {
    // The Surface borrows 100 pixels in the middle of a larger zeroed block; a write outside the
    // Surface would land in the rest of the block.
    Surface block = Solid(40, 40, 0);
    Surface view;
    ASSERT_EQ(view.Create(CREATE_NOSTORAGE, 10, 10), kOk);
    const std::size_t offset = 20 * block.GetPitch();
    view.AttachPixels(block.GetPixels() + offset);
    const int lines[][4] = {{-5, -5, 15, 15}, {-20, 3, 40, 7}, {4, -9, 6, 30}, {-3, 2, 12, 2},
                            {2, -3, 2, 40},   {12, 1, 14, 5},  {-8, 12, 5, 11}};
    for (const auto& l : lines) {
        DrawLine(view, l[0], l[1], l[2], l[3], 0xffffff, LINE_NOCLIP);
        DrawHSpan(view, l[0], l[1], 40, false, 0x1234);
        DrawVSpan(view, l[0], l[1], 40, false, 0x1234);
    }
    for (std::size_t i = 0; i < block.GetSize() / 2; ++i)
        ASSERT_TRUE(block.GetPixels()[i] == 0 || (i >= offset && i < offset + 100))
            << "outside write at index " << i;
}

TEST(DrawCircle, MatchesTheLiteralVersion) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> size(1, 40), pos(-30, 70), radius(-2, 60);
    for (int iter = 0; iter < 4000; ++iter) {
        const int w = size(rng), h = size(rng), cx = pos(rng), cy = pos(rng), r = radius(rng);
        const std::uint32_t flags = iter % 2 ? CIRCLE_FILLED : 0;
        Surface a = Solid(w, h, 0), b = Solid(w, h, 0);
        DrawCircle(a, cx, cy, r, 0xffffff, flags);
        reference::DrawCircle(b, cx, cy, r, 0xffffff, flags);
        ASSERT_TRUE(test::SameStorage(a, b))
            << iter << ": centre " << cx << "," << cy << " r " << r << " flags " << flags;
    }
}

Pixel Pos(int x, int y) {
    return static_cast<Pixel>(0x100 * y + x + 1);
}

// The sampling positions come from PrepareTransform, which the literal sampler shares: only the
// examples here check them. Each source pixel holds its own position, so that the sampled
// position can be read back.
Surface Positions(int w, int h) {
    Surface s = Solid(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.GetPixels()[y * static_cast<int>(s.GetPitch()) + x] = Pos(x, y);
    return s;
}

TEST(TransformBlit, StretchSamplesPixelCentres) {
    // Halving samples every second pixel from the second on; doubling repeats each.
    Surface down = Solid(2, 2, 0), up = Solid(4, 4, 0);
    ASSERT_EQ(TransformBlit(down, nullptr, Positions(4, 4), nullptr), kOk);
    ASSERT_EQ(TransformBlit(up, nullptr, Positions(2, 2), nullptr), kOk);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(PixelAt(up, i % 4, i / 4), Pos(i % 4 / 2, i / 8)) << i;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PixelAt(down, i % 2, i / 2), Pos(i % 2 * 2 + 1, i / 2 * 2 + 1)) << i;
}

TEST(TransformBlit, ZoomScalesTheDestinationAboutItsCentre) {
    Surface dst = Solid(100, 100, 0);
    const BlitEffect fx{0, 255, 0, 50};
    ASSERT_EQ(TransformBlit(dst, nullptr, Positions(40, 40), nullptr, BLT_ZOOM, &fx), kOk);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(PixelAt(dst, x, y) != 0, x >= 25 && x < 75 && y >= 25 && y < 75)
                << x << "," << y;
    // Flags 193 (zoom, rotate, keyed) zoom and do not rotate.
    Surface a = Solid(60, 60, 0), b = Solid(60, 60, 0);
    const BlitEffect rotated{0, 255, 4500, 100};
    ASSERT_EQ(TransformBlit(a, nullptr, Positions(30, 30), nullptr, 193, &rotated), kOk);
    ASSERT_EQ(TransformBlit(b, nullptr, Positions(30, 30), nullptr, BLT_KEYED), kOk);
    EXPECT_TRUE(test::SameStorage(a, b));
}

TEST(TransformBlit, PartlyVisibleDestinationSqueezesTheWholeSource) {
    Surface dst = Solid(100, 100, 0);
    const Rect r(-10, 0, 90, 100);
    ASSERT_EQ(TransformBlit(dst, &r, Positions(90, 100), nullptr), kOk);
    // 90 source columns into 90 visible columns: 1:1 from the source's left edge.
    EXPECT_EQ(std::tuple(PixelAt(dst, 0, 0), PixelAt(dst, 89, 99), PixelAt(dst, 90, 0)),
              std::tuple(Pos(0, 0), Pos(89, 99), Pixel{0}));
}

// Arguments the comparison below never makes: a fill without its effect, an empty source, and a
// zoom that leaves no area to draw.
TEST(TransformBlit, RefusesFillsWithoutAnEffectAndEmptySources) {
    Surface dst = Solid(3, 1, 0), none;
    const Surface src = Positions(3, 1);
    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_FILL), kErrInvalidArg);
    EXPECT_EQ(TransformBlit(dst, nullptr, none, nullptr), kErrInvalidArg);
    const BlitEffect zero{0, 255, 0, 0};
    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_ZOOM, &zero), kOk);
    EXPECT_TRUE(test::SameStorage(dst, Solid(3, 1, 0)));
}

TEST(TransformBlit, MatchesTheLiteralSampler) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> size(1, 48), pos(-20, 60), zoom(0, 400), angle(0, 36000);
    const std::uint32_t modes[] = {
        0, BLT_FILL, BLT_BLEND, BLT_MIRROR_H, BLT_MIRROR_V, BLT_BLEND | BLT_FILL};
    const std::uint32_t maps[] = {0, BLT_ZOOM, BLT_ROTATE, BLT_ZOOM | BLT_ROTATE};
    for (int iter = 0; iter < 6000; ++iter) {
        Surface src = test::RandomSurface(rng, size(rng), size(rng));
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const std::uint32_t flags =
            modes[iter % 6] | maps[(iter / 6) % 4] | (iter % 2 ? BLT_KEYED : 0);
        BlitEffect fx;
        fx.color = static_cast<Color>(rng() & 0xFFFFFF);
        fx.alpha = static_cast<std::uint16_t>(iter % 5 == 0 ? 127 : rng() % 256);
        fx.zoom = static_cast<std::uint32_t>(zoom(rng));
        fx.angle = static_cast<std::uint32_t>(angle(rng));
        const Rect dr(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect sr(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect* dstRect = iter % 3 ? &dr : nullptr;
        const Rect* srcRect = iter % 4 ? &sr : nullptr;
        ASSERT_EQ(TransformBlit(dst, dstRect, src, srcRect, flags, &fx),
                  reference::TransformBlit(ref, dstRect, src, srcRect, flags, &fx));
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter << " flags " << flags;
    }
}

// A font image whose marker row is the given pattern ('#' a marker pixel, '.' key) and whose
// glyph rows are filled so that glyph k's pixels hold the value 0x100 + its column.
BitmapFont FontFromMarkers(const std::string& markers, int height = 5) {
    BitmapFont f;
    EXPECT_EQ(f.Create(0, static_cast<std::int32_t>(markers.size()), height), kOk);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < static_cast<int>(markers.size()); ++x)
            f.GetPixels()[y * static_cast<int>(f.GetPitch()) + x] =
                y == 0 ? (markers[static_cast<std::size_t>(x)] == '#' ? 0 : kPixelMagenta)
                       : static_cast<Pixel>(0x100 + x);
    return f;
}

// Runs of widths 3, 2, 3 ... as many as asked, with single key pixels between them and after.
BitmapFont Runs(int count, std::uint32_t charset) {
    std::string s = ".";
    for (int i = 0; i < count; ++i)
        s += std::string(static_cast<std::size_t>(2 + i % 2), '#') + ".";
    BitmapFont f = FontFromMarkers(s);
    EXPECT_EQ(BuildGlyphs(f, charset), kOk);
    return f;
}

TEST(BitmapFont, MarkerRowAssignsGlyphsToTheBytesOfTheCharacterSet) {
    BitmapFont f = FontFromMarkers(".###.##.###");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk);
    // The run reaching the end of the row is not recorded.
    EXPECT_EQ(std::tuple(f.GlyphCount(), f.GlyphRect(0x20), f.GlyphRect(0x21), f.HasGlyph(0x22)),
              std::tuple(2, Rect(1, 1, 3, 5), Rect(5, 1, 6, 5), false));
    BitmapFont empty;
    EXPECT_EQ(BuildGlyphs(empty, CHARSET_LATIN), kErrFontNoPixels);
    // Each character set maps the runs to its bytes, as many as it has.
    const std::tuple<std::uint32_t, int, int, std::uint8_t> cases[] = {
        {CHARSET_LATIN, 95, 95, 0x7E},
        {CHARSET_LATIN, 120, 95, 0x7E},
        {CHARSET_CYRILLIC, 109, 109, 0x7E},
        {CHARSET_FULL, 161, 161, 0xFF},
        {CHARSET_FULL | CHARSET_LATIN, 170, 161, 0xFF}};
    for (const auto& [charset, runs, expectedCount, lastByte] : cases) {
        const BitmapFont font = Runs(runs, charset);
        EXPECT_EQ(font.GlyphCount(), expectedCount) << charset;
        EXPECT_TRUE(font.HasGlyph(lastByte)) << charset;
    }
    // In the full set the apostrophe's place holds the grave accent: 0x27 never gets a glyph,
    // 0x60 gets its later run, and the letters of 1251 are there.
    const BitmapFont full = Runs(161, CHARSET_FULL);
    EXPECT_FALSE(full.HasGlyph(0x27));
    EXPECT_EQ(full.GlyphRect(0x60), Runs(95, CHARSET_LATIN).GlyphRect(0x60));
    for (const std::uint8_t c : {0xA8, 0xB8, 0xC0, 0xDF, 0xE0, 0xFF})
        EXPECT_TRUE(full.HasGlyph(c)) << int(c);
}

TEST(DrawText, MeasuresCentresAndShifts) {
    BitmapFont f = FontFromMarkers(".###.##.");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk); // ' ' advances 2, '!' advances 1
    Surface dst = Solid(200, 10, 0);
    // Texts longer than 255 characters are cut.
    const std::u16string long400(400, u'!');
    const std::tuple<const char16_t*, std::int32_t, std::int32_t> measures[] = {
        {u" !", 1, 4}, {u" !", 0, 3},   {u"!!!", 2, 7},
        {u"\"", 3, 0}, {u"!\"!", 1, 4}, {long400.c_str(), 0, 255}};
    for (const auto& [text, spacing, width] : measures) {
        std::int32_t w = -1;
        EXPECT_EQ(DrawText(dst, 0, 0, text, &f, TEXT_MEASURE, 0, nullptr, &w, spacing), kOk);
        EXPECT_EQ(w, width) << std::u16string(text).size() << " spacing " << spacing;
    }
    std::int32_t untouched = 77;
    BitmapFont none;
    EXPECT_EQ(
        (std::tuple{DrawText(dst, 0, 0, u"", &f, TEXT_MEASURE, 0, nullptr, &untouched), untouched,
                    DrawText(dst, 0, 0, u"x", &f, TEXT_MEASURE), DrawText(dst, 0, 0, u"x", &none)}),
        std::tuple(kOk, 77, kErrInvalidArg, kErrInvalidArg));

    // "!!!!!" is 5 wide: centred at 100 it starts at 98; shifted it starts at 105. Each glyph
    // pixel holds 0x100 + its image column, 5 for '!'.
    for (const auto& [flags, start] : {std::pair{TEXT_CENTER, 98}, std::pair{TEXT_SHIFT, 105}}) {
        Surface s = Solid(200, 10, 0);
        ASSERT_EQ(DrawText(s, 100, 2, u"!!!!!", &f, flags), kOk);
        std::vector<Pixel> row(200, 0);
        std::fill_n(row.begin() + start, 5, 0x105);
        EXPECT_EQ(std::vector<Pixel>(s.GetPixels() + 400, s.GetPixels() + 600), row) << flags;
    }
}

TEST(DrawText, GlyphsComeFromTheCodePageBytes) {
    // Every run one column wide plus its end: glyph k draws one pixel holding its column.
    const BitmapFont f = Runs(161, CHARSET_FULL);
    Surface s = Solid(600, 8, 0);
    // Cyrillic capital Zhe is byte 0xC6 of the code page, small yo 0xB8, and the apostrophe
    // has no glyph: it only advances by the spacing.
    ASSERT_EQ(DrawText(s, 0, 0, u"\u0416'\u0451", &f, 0, 0, nullptr, nullptr, 1), kOk);
    const Rect zhe = f.GlyphRect(platform::UnitToAnsi(u'\u0416'));
    // Zhe, the spacing, the apostrophe's spacing, then yo.
    const Pixel* p = s.GetPixels() + (zhe.right - zhe.left);
    EXPECT_EQ(std::tuple(s.GetPixels()[0], p[0], p[1], p[2]),
              std::tuple(0x100 + zhe.left, 0, 0, 0x100 + f.GlyphRect(0xB8).left));
}

} // namespace
} // namespace brelvo
