#include "platform/PictureDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace brelvo::platform {

namespace {

struct MemoryInput {
    const std::uint8_t* data;
    std::size_t remaining;
};

int ReadMemory(GifFileType* gif, GifByteType* dest, int count) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    if (count < 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), in->remaining);
    std::memcpy(dest, in->data, n);
    in->data += n;
    in->remaining -= n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Reads the extension that follows and returns the transparent colour index that a graphic
// control extension sets, or -1.
bool ReadExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        transparent = (block[1] & 1) ? block[4] : -1;
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

} // namespace

// The first image of the file, placed on the logical screen; what the image does not cover,
// and its transparent colour, are transparent (white once shown). The file is read record by
// record and stops after the first image, so an animation costs no more than its first frame.
// A file that ends or breaks before the first image is complete fails as a whole.
HResult DecodeGif(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    MemoryInput input{data, size};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadMemory, &error));
    if (!gif)
        return kErrFail;

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return kErrFail;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), transparent))
                return kErrFail;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            return kErrFail; // the file ended without an image
        break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        return kErrFail;

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* palette = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!palette || !palette->Colors || frame.Width < 1 || frame.Height < 1 ||
        frame.Width > kMaxPictureSide || frame.Height > kMaxPictureSide || frame.Left < 0 ||
        frame.Top < 0)
        return kErrFail;
    // Files that give no logical screen take the frame's extent instead.
    const std::int32_t width = gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width;
    const std::int32_t height = gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height;
    if (!out.Allocate(width, height, 4))
        return kErrFail;
    // Transparent white, so uncovered parts show white with or without compositing.
    std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{255});
    for (std::size_t i = 3; i < out.pixels.size(); i += 4)
        out.pixels[i] = 0;

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    auto putLine = [&](std::int32_t y) {
        const std::int32_t row = frame.Top + y;
        if (row >= height)
            return;
        std::uint8_t* dst = out.Row(row);
        for (std::int32_t x = 0; x < frame.Width; ++x) {
            const std::int32_t col = frame.Left + x;
            if (col >= width)
                break;
            const int index = line[static_cast<std::size_t>(x)];
            if (index == transparent)
                continue;
            std::uint8_t* p = dst + 4 * static_cast<std::size_t>(col);
            if (index < palette->ColorCount) {
                p[0] = palette->Colors[index].Red;
                p[1] = palette->Colors[index].Green;
                p[2] = palette->Colors[index].Blue;
            } else {
                p[0] = p[1] = p[2] = 0; // an index beyond the palette shows black
            }
            p[3] = 255;
        }
    };
    auto readLine = [&](std::int32_t y) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            return false;
        putLine(y);
        return true;
    };

    if (frame.Interlace) {
        constexpr std::int32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (std::int32_t y = kStart[pass]; y < frame.Height; y += kStep[pass])
                if (!readLine(y)) {
                    out = Bitmap{};
                    return kErrFail;
                }
    } else {
        for (std::int32_t y = 0; y < frame.Height; ++y)
            if (!readLine(y)) {
                out = Bitmap{};
                return kErrFail;
            }
    }
    return kOk;
}

} // namespace brelvo::platform
