#include "gfx/BmpWriter.h"
#include "base/LittleEndian.h"

#include "platform/DeviceFiles.h"

#include <algorithm>
#include <array>
#include <vector>

namespace brelvo {

namespace {

// The pixel array is converted a band of rows at a time so that a large picture needs neither a
// buffer of its full size nor one write per row.
constexpr std::size_t kBandBytes = 256 * 1024;

} // namespace

bool EncodeBmp(const Surface& surface, ByteSink& sink) {
    const SurfaceHeader& h = surface.Header();
    // An empty Surface has no picture to save; writing a zero-sized BMP would report success for
    // a file that no viewer opens.
    if (!h.pixels || h.width < 1 || h.height < 1)
        return false;
    const std::uint32_t rowSize = BmpRowSize(h.width);
    const std::uint64_t imageSize = static_cast<std::uint64_t>(rowSize) * h.height;
    if (imageSize + 54 > 0xFFFFFFFFull)
        return false;

    std::array<std::uint8_t, 54> header{};
    header[0] = 'B';
    header[1] = 'M';
    StoreLe32(&header[2], static_cast<std::uint32_t>(54 + imageSize));
    StoreLe32(&header[10], 54);
    StoreLe32(&header[14], 40);
    StoreLe32(&header[18], static_cast<std::uint32_t>(h.width));
    StoreLe32(&header[22], static_cast<std::uint32_t>(h.height));
    StoreLe16(&header[26], 1);
    StoreLe16(&header[28], 24);
    StoreLe32(&header[34], static_cast<std::uint32_t>(imageSize));
    if (!sink.Write(header.data(), 14) || !sink.Write(header.data() + 14, 40))
        return false;

    const std::int32_t bandRows =
        static_cast<std::int32_t>(std::max<std::size_t>(1, kBandBytes / rowSize));
    std::vector<std::uint8_t> band(static_cast<std::size_t>(rowSize) *
                                   static_cast<std::size_t>(std::min(bandRows, h.height)));
    // File rows run bottom-up: the band starting at file row f holds Surface rows
    // height - 1 - f downwards.
    for (std::int32_t f = 0; f < h.height; f += bandRows) {
        const std::int32_t n = std::min(bandRows, h.height - f);
        std::uint8_t* out = band.data();
        for (std::int32_t k = 0; k < n; ++k, out += rowSize) {
            const Pixel* row = h.Row(h.height - 1 - (f + k));
            std::uint8_t* o = out;
            for (std::int32_t x = 0; x < h.width; ++x, o += 3) {
                const Pixel p = row[x];
                o[0] = static_cast<std::uint8_t>((p & 0x001F) << 3);
                o[1] = static_cast<std::uint8_t>((p & 0x07E0) >> 3);
                o[2] = static_cast<std::uint8_t>((p & 0xF800) >> 8);
            }
            std::fill(o, out + rowSize, std::uint8_t{0});
        }
        if (!sink.Write(band.data(),
                        static_cast<std::size_t>(rowSize) * static_cast<std::size_t>(n)))
            return false;
    }
    return true;
}

HResult SaveBmpToHostFile(const Surface& surface, const std::string& hostPath) {
    const SurfaceHeader& h = surface.Header();
    if (!h.pixels || h.width < 1 || h.height < 1)
        return kErrNoPixels;
    platform::ReplacingFileWriter file;
    if (const HResult result = file.Open(hostPath); Failed(result))
        return result;
    if (!EncodeBmp(surface, file)) {
        // The writer removes its temporary file; the old file is untouched. With the pixels
        // present, the encoder stops either on a write the disk refused or on a picture whose
        // size the BMP header cannot hold.
        return Failed(file.Error()) ? file.Error() : kErrFileTooLarge;
    }
    return file.Commit();
}

HResult SaveBmp(const Surface& surface, WString path) {
    std::string hostPath;
    if (const HResult result = platform::MapDevicePathForWrite(path.c_str(), hostPath);
        Failed(result))
        return result;
    return SaveBmpToHostFile(surface, hostPath);
}

} // namespace brelvo
