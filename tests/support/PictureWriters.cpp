#include "tests/support/PictureWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <map>

namespace brelvo::test {

Bytes WritePng(const Bytes& rgba, int width, int height, const PngOptions& o) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    // Built before setjmp so that nothing with a destructor lives between it and the longjmp.
    std::vector<Bytes> rows(static_cast<std::size_t>(height));
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    std::map<std::uint32_t, int> paletteIndex;
    for (int y = 0; y < height; ++y) {
        Bytes& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[4 * (static_cast<std::size_t>(y) * width + x)];
            // The samples each colour type stores, by its number: grey is the red channel.
            static const int kCounts[] = {1, 0, 3, 1, 2, 0, 4};
            std::uint8_t values[4] = {p[0], o.colorType == 4 ? p[3] : p[1], p[2], p[3]};
            if (o.colorType == 3) {
                const std::uint32_t key = p[0] | p[1] << 8 | p[2] << 16;
                auto it = paletteIndex.try_emplace(key, static_cast<int>(palette.size())).first;
                if (it->second == static_cast<int>(palette.size()))
                    palette.push_back({p[0], p[1], p[2]});
                values[0] = static_cast<std::uint8_t>(it->second);
            }
            for (int c = 0; c < kCounts[o.colorType]; ++c)
                row.insert(row.end(), o.bitDepth / 8, values[c]);
        }
    }
    if (o.colorType == 3 && o.transparentIndex >= 0) {
        alphas.assign(static_cast<std::size_t>(o.transparentIndex) + 1, 255);
        alphas.back() = 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::abort();
    }
    const auto append = [](png_structp writer, png_bytep data, png_size_t size) {
        auto* bytes = static_cast<Bytes*>(png_get_io_ptr(writer));
        bytes->insert(bytes->end(), data, data + size);
    };
    png_set_write_fn(png, &out, append, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 o.bitDepth, o.colorType, o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (o.colorType == 3)
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!alphas.empty())
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes WriteJpeg(const Bytes& pixels, int width, int height, int pixelFormat, int quality,
                int subsampling, bool progressive) {
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    if (tjCompress2(tj, pixels.data(), width, 0, height, pixelFormat, &jpeg, &size, subsampling,
                    quality, flags) != 0)
        std::abort();
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(tj);
    return out;
}

Bytes WriteGif(int screenWidth, int screenHeight, const Bytes& palette,
               const std::vector<GifFrame>& frames) {
    Bytes out;
    int error = 0;
    const auto append = [](GifFileType* writer, const GifByteType* data, int size) {
        auto* bytes = static_cast<Bytes*>(writer->UserData);
        bytes->insert(bytes->end(), data, data + size);
        return size;
    };
    GifFileType* gif = EGifOpen(&out, append, &error);
    const int colours = static_cast<int>(palette.size() / 3);
    ColorMapObject* map = GifMakeMapObject(colours, nullptr);
    for (int i = 0; i < colours; ++i)
        map->Colors[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map) == GIF_ERROR)
        std::abort();
    for (const GifFrame& f : frames) {
        if (f.transparentIndex >= 0) {
            const GifByteType gce[4] = {1, 0, 0, static_cast<GifByteType>(f.transparentIndex)};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        }
        if (EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr) ==
            GIF_ERROR)
            std::abort();
        // Interlaced images are written in pass order, as a reader expects them.
        const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = f.interlaced ? 0 : 3; pass < 4; ++pass)
            for (int y = f.interlaced ? start[pass] : 0; y < f.height;
                 y += f.interlaced ? step[pass] : 1) {
                Bytes line(f.indices.begin() + y * f.width, f.indices.begin() + (y + 1) * f.width);
                if (EGifPutLine(gif, line.data(), f.width) == GIF_ERROR)
                    std::abort();
            }
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return out;
}

Bytes TestPictureRgba(int width, int height) {
    Bytes out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2, dy = y - height / 2;
            const bool disc = dx * dx + dy * dy < (width * width) / 16;
            out.insert(out.end(), {std::uint8_t(disc ? 230 : 255 * x / std::max(1, width - 1)),
                                   std::uint8_t(disc ? 40 : 255 * y / std::max(1, height - 1)),
                                   std::uint8_t(disc ? 60 : 128), 255});
        }
    return out;
}

} // namespace brelvo::test
