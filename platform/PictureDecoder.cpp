#include "platform/PictureDecoder.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace brelvo::platform {

bool Bitmap::Allocate(std::int32_t w, std::int32_t h, int channelCount) {
    *this = Bitmap{};
    if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide ||
        (channelCount != 3 && channelCount != 4))
        return false;
    try {
        pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                      static_cast<std::size_t>(channelCount));
    } catch (const std::bad_alloc&) {
        pixels = {};
        return false;
    }
    width = w;
    height = h;
    channels = channelCount;
    return true;
}

PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size) {
    auto starts = [&](const char* sig, std::size_t n) {
        return size >= n && std::memcmp(data, sig, n) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8))
        return PictureFormat::Png;
    if (starts("\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return PictureFormat::Gif;
    if (starts("BM", 2))
        return PictureFormat::Bmp;
    return PictureFormat::Unknown;
}

HResult DecodePicture(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    out = Bitmap{};
    if (!data)
        return kErrFail;
    HResult r = kErrFail;
    switch (SniffPictureFormat(data, size)) {
    case PictureFormat::Png:
        r = DecodePng(data, size, out);
        break;
    case PictureFormat::Jpeg:
        r = DecodeJpeg(data, size, out);
        break;
    case PictureFormat::Gif:
        r = DecodeGif(data, size, out);
        break;
    case PictureFormat::Bmp:
        r = DecodeBmp(data, size, out);
        break;
    case PictureFormat::Unknown:
        break;
    }
    if (Failed(r))
        out = Bitmap{};
    return r;
}

HResult DecodePictureFile(const std::string& hostPath, Bitmap& out) {
    out = Bitmap{};
    std::FILE* f = std::fopen(hostPath.c_str(), "rbe");
    if (!f)
        return kErrFail;
    std::vector<std::uint8_t> bytes;
    HResult r = kErrFail;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long end = std::ftell(f);
        if (end > 0 && static_cast<unsigned long>(end) <= kMaxPictureFileBytes &&
            std::fseek(f, 0, SEEK_SET) == 0) {
            try {
                bytes.resize(static_cast<std::size_t>(end));
                if (std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size())
                    r = kOk;
            } catch (const std::bad_alloc&) {
            }
        }
    }
    std::fclose(f);
    if (Failed(r))
        return r;
    return DecodePicture(bytes.data(), bytes.size(), out);
}

} // namespace brelvo::platform
