// Picture decoding, and the conversion of a decoded picture to the program's pixels beside a
// memcpy of the same bytes.

#include "gfx/ImageLoad.h"
#include "platform/PictureDecoder.h"
#include "tests/support/PictureWriters.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstring>
#include <map>

namespace brelvo {
namespace {

using test::Bytes;

// The pictures are made once per size and format and kept for every run.
const Bytes& Picture(bool jpeg, int w, int h) {
    static std::map<std::tuple<bool, int, int>, Bytes> cache;
    Bytes& file = cache[{jpeg, w, h}];
    if (file.empty()) {
        const Bytes rgba = test::TestPictureRgba(w, h);
        if (jpeg) {
            Bytes rgb;
            rgb.reserve(rgba.size() / 4 * 3);
            for (std::size_t i = 0; i < rgba.size(); i += 4)
                rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
            file = test::WriteJpeg(rgb, w, h, TJPF_RGB, 90, TJSAMP_420, false);
        } else {
            file = test::WritePng(rgba, w, h);
        }
    }
    return file;
}

void Decode(benchmark::State& state, bool jpeg) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes& file = Picture(jpeg, w, h);
    for (auto _ : state) {
        platform::Bitmap b;
        if (Failed(platform::DecodePicture(file.data(), file.size(), b)))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(b.pixels.data());
    }
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
void BM_DecodeJpeg(benchmark::State& state) {
    Decode(state, true);
}
BENCHMARK(BM_DecodeJpeg)->Args({640, 480})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
void BM_DecodePng(benchmark::State& state) {
    Decode(state, false);
}
BENCHMARK(BM_DecodePng)->Args({640, 480})->Args({4000, 3000})->Unit(benchmark::kMillisecond);

platform::Bitmap RgbBitmap() {
    platform::Bitmap b;
    b.Allocate(640, 480, 3);
    for (std::size_t i = 0; i < b.pixels.size(); ++i)
        b.pixels[i] = static_cast<std::uint8_t>(i * 31);
    return b;
}

void BM_ConvertBitmapHandle_640x480(benchmark::State& state) {
    const platform::Bitmap source = RgbBitmap();
    Surface s;
    for (auto _ : state) {
        // The copy into a fresh handle is part of what ConvertBitmapHandle consumes; it is
        // measured separately below and subtracted when comparing.
        state.PauseTiming();
        auto handle = std::make_unique<platform::Bitmap>(source);
        state.ResumeTiming();
        ConvertBitmapHandle(s, std::move(handle));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.pixels.size()));
}
BENCHMARK(BM_ConvertBitmapHandle_640x480);

void BM_MemcpyBitmapBytes_640x480(benchmark::State& state) {
    const platform::Bitmap source = RgbBitmap();
    std::vector<std::uint8_t> dst(source.pixels.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), source.pixels.data(), dst.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.pixels.size()));
}
BENCHMARK(BM_MemcpyBitmapBytes_640x480);

} // namespace
} // namespace brelvo
