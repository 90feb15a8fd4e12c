#include "platform/PictureDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace brelvo::platform {

namespace {

// libpng reports errors by jumping back to the setjmp below, so nothing with a destructor may
// live in this frame between the setjmp and a jump: the caller's Bitmap is the only storage,
// and rows are read one at a time straight into it.
bool ReadPng(png_structp png, png_infop info, Bitmap& out) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(png, info);
    // Everything arrives as 8-bit RGB or RGBA: palettes and small grey depths expanded,
    // transparency chunks turned into alpha, 16-bit channels cut to their high byte (as the
    // display conversion keeps the high bits), grey widened to RGB. No gamma is applied: the
    // stored values are shown as they are.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    if (width > static_cast<png_uint_32>(kMaxPictureSide) ||
        height > static_cast<png_uint_32>(kMaxPictureSide) ||
        png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * channels ||
        !out.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                      channels))
        return false;
    for (int pass = 0; pass < passes; ++pass)
        for (std::int32_t y = 0; y < out.height; ++y)
            png_read_row(png, out.Row(y), nullptr);
    png_read_end(png, nullptr);
    return true;
}

// Errors jump back to ReadPng without a word on standard error: a bad picture file is an
// ordinary event, reported by the result.
void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void Quiet(png_structp, png_const_charp) {}

} // namespace

// A file that is truncated or corrupt anywhere, up to its end chunk, fails as a whole: a partly
// decoded picture is not shown.
HResult DecodePng(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return kErrFail;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png)
        return kErrFail;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return kErrFail;
    }
    struct Input {
        const std::uint8_t* data;
        std::size_t remaining;
    } input{data, size};
    png_set_read_fn(png, &input, [](png_structp p, png_bytep dest, png_size_t count) {
        auto* in = static_cast<Input*>(png_get_io_ptr(p));
        if (count > in->remaining)
            png_error(p, "truncated");
        std::memcpy(dest, in->data, count);
        in->data += count;
        in->remaining -= count;
    });
    // Ancillary chunks are of no use here; a file full of them must not cost memory.
    png_set_chunk_malloc_max(png, 1u << 20);
    const bool ok = ReadPng(png, info, out);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        out = Bitmap{};
        return kErrFail;
    }
    return kOk;
}

} // namespace brelvo::platform
