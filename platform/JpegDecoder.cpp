#include "platform/PictureDecoder.h"

#include <turbojpeg.h>

#include <cstring>
#include <memory>

namespace brelvo::platform {

namespace {

struct TjCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// libjpeg reports a file that ends early as a warning and paints the missing part grey. A
// picture with a grey band is not what the file holds, so truncation is a failure; other
// warnings (stray bytes between segments, which some cameras write) still give a good picture.
bool IsTruncation(const char* message) {
    return message &&
           (std::strstr(message, "Premature end") || std::strstr(message, "premature end"));
}

} // namespace

HResult DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    if (size > 0xFFFFFFFFu)
        return kErrFail;
    std::unique_ptr<void, TjCloser> tj(tjInitDecompress());
    if (!tj)
        return kErrFail;
    const auto jpegSize = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.get(), data, jpegSize, &width, &height, &subsampling, &colorspace) !=
        0)
        return kErrFail;
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        return kErrFail;

    // CMYK files are decoded as the inverted CMYK that image editors store, then multiplied out
    // to RGB; everything else (grey, YCbCr, RGB) converts to RGB directly.
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    std::vector<std::uint8_t> cmykPixels;
    if (!out.Allocate(width, height, 3))
        return kErrFail;
    unsigned char* target = out.pixels.data();
    if (cmyk) {
        try {
            cmykPixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              4);
        } catch (const std::bad_alloc&) {
            out = Bitmap{};
            return kErrFail;
        }
        target = cmykPixels.data();
    }
    // The scan limit keeps a crafted progressive file from taking minutes.
    const int flags = TJFLAG_LIMITSCANS;
    if (tjDecompress2(tj.get(), data, jpegSize, target, width, 0, height,
                      cmyk ? TJPF_CMYK : TJPF_RGB, flags) != 0) {
        if (tjGetErrorCode(tj.get()) != TJERR_WARNING || IsTruncation(tjGetErrorStr2(tj.get()))) {
            out = Bitmap{};
            return kErrFail;
        }
    }
    if (cmyk) {
        const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned k = cmykPixels[4 * i + 3];
            for (int c = 0; c < 3; ++c)
                out.pixels[3 * i + static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(
                    (cmykPixels[4 * i + static_cast<std::size_t>(c)] * k + 127) / 255);
        }
    }
    return kOk;
}

} // namespace brelvo::platform
