// Each fast path is measured beside its baseline in the same run: memcpy or memset of the same
// bytes for the copies and fills, the literal per-pixel version for the samplers and converters.
// Compare the ratios, not the absolute times: the machines are noisy.

#include "base/ByteSink.h"
#include "gfx/Blit.h"
#include "gfx/BmpWriter.h"
#include "gfx/TransformBlit.h"
#include "tests/reference/Reference.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace brelvo {
namespace {

constexpr int kW = 640, kH = 480;

Surface Picture(int w, int h, unsigned seed) {
    Surface s;
    s.Create(0, w, h);
    std::mt19937 rng(seed);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<Pixel>(rng() % 8 == 0 ? 0xF81F : rng());
    return s;
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Memcpy_640x480(benchmark::State& state) {
    const Surface src = Picture(kW, kH, 1);
    Surface dst = Picture(kW, kH, 2);
    for (auto _ : state) {
        std::memcpy(dst.GetPixels(), src.GetPixels(), src.GetSize());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.GetSize());
}
BENCHMARK(BM_Memcpy_640x480);

void BlitWith(benchmark::State& state, std::uint32_t flags, std::uint16_t alpha) {
    const Surface src = Picture(kW, kH, 1);
    Surface dst = Picture(kW, kH, 2);
    const BlitEffect fx{0x336699, alpha, 0, 100};
    for (auto _ : state) {
        Blit(dst, 0, 0, src, nullptr, flags, &fx);
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.GetSize());
}

void BM_Blit_640x480(benchmark::State& state) {
    BlitWith(state, 0, 255);
}
BENCHMARK(BM_Blit_640x480);
void BM_BlitKeyed_640x480(benchmark::State& state) {
    BlitWith(state, BLT_KEYED, 255);
}
BENCHMARK(BM_BlitKeyed_640x480);
void BM_BlitBlend_640x480(benchmark::State& state) {
    BlitWith(state, BLT_BLEND, 100);
}
BENCHMARK(BM_BlitBlend_640x480);
void BM_BlitBlendHalf_640x480(benchmark::State& state) {
    BlitWith(state, BLT_BLEND, 127);
}
BENCHMARK(BM_BlitBlendHalf_640x480);
void BM_BlitKeyedBlend_640x480(benchmark::State& state) {
    BlitWith(state, BLT_KEYED | BLT_BLEND, 100);
}
BENCHMARK(BM_BlitKeyedBlend_640x480);

void BM_BlitKeyedLiteral_640x480(benchmark::State& state) {
    const Surface src = Picture(kW, kH, 1);
    Surface dst = Picture(kW, kH, 2);
    for (auto _ : state) {
        reference::Blit(dst, 0, 0, src, nullptr, BLT_KEYED, nullptr);
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.GetSize());
}
BENCHMARK(BM_BlitKeyedLiteral_640x480);

void BM_Memset_640x480(benchmark::State& state) {
    Surface dst = Picture(kW, kH, 2);
    for (auto _ : state) {
        std::memset(dst.GetPixels(), 0x5A, dst.GetSize());
        benchmark::ClobberMemory();
    }
    SetBytes(state, dst.GetSize());
}
BENCHMARK(BM_Memset_640x480);

void BM_FillRect_640x480(benchmark::State& state) {
    Surface dst = Picture(kW, kH, 2);
    // The rectangle form, with a colour that has no byte-fill shortcut.
    const Rect r(0, 0, kW, kH);
    for (auto _ : state) {
        FillRect(dst, &r, 0x336699, 1);
        benchmark::ClobberMemory();
    }
    SetBytes(state, dst.GetSize());
}
BENCHMARK(BM_FillRect_640x480);

void BM_FillRectBlend_640x480(benchmark::State& state) {
    Surface dst = Picture(kW, kH, 2);
    const Rect r(0, 0, kW, kH);
    const std::uint16_t alpha = 100;
    for (auto _ : state) {
        FillRect(dst, &r, 0x336699, FILL_BLEND, &alpha);
        benchmark::ClobberMemory();
    }
    SetBytes(state, dst.GetSize());
}
BENCHMARK(BM_FillRectBlend_640x480);

// The editor's view: a 640x480 picture in a 200x259 view rectangle. Argument 0 fits the whole
// picture into the view; 1 shows a 50x65 part of it at four times its size.
template <bool Literal>
void Zoom(benchmark::State& state) {
    const Surface src = Picture(kW, kH, 1);
    Surface dst = Picture(240, 320, 2);
    const Rect view(20, 30, 220, 289);
    const bool fit = state.range(0) == 0;
    const Rect part(100, 100, 150, 165);
    const BlitEffect fx{0, 255, 0, 100};
    for (auto _ : state) {
        if (Literal)
            reference::TransformBlit(dst, &view, src, fit ? nullptr : &part, BLT_ZOOM, &fx);
        else
            TransformBlit(dst, &view, src, fit ? nullptr : &part, BLT_ZOOM, &fx);
        benchmark::ClobberMemory();
    }
}
void BM_TransformZoom_view200x259(benchmark::State& state) {
    Zoom<false>(state);
}
BENCHMARK(BM_TransformZoom_view200x259)->Arg(0)->Arg(1);
void BM_TransformZoomLiteral_view200x259(benchmark::State& state) {
    Zoom<true>(state);
}
BENCHMARK(BM_TransformZoomLiteral_view200x259)->Arg(0)->Arg(1);

// Takes the bytes without storing them, so that the conversion is measured and not the growth
// of a buffer or the page faults of fresh memory.
class DiscardSink final : public ByteSink {
public:
    bool Write(const void* data, std::size_t size) override {
        benchmark::DoNotOptimize(data);
        m_total += size;
        return true;
    }
    std::size_t m_total = 0;
};

template <bool Literal>
void Convert(benchmark::State& state) {
    const Surface src = Picture(kW, kH, 1);
    for (auto _ : state) {
        DiscardSink sink;
        if (Literal)
            reference::EncodeBmp(src, sink);
        else
            EncodeBmp(src, sink);
        benchmark::DoNotOptimize(sink.m_total);
    }
}
void BM_SaveBmpConvert_640x480(benchmark::State& state) {
    Convert<false>(state);
}
BENCHMARK(BM_SaveBmpConvert_640x480);
void BM_SaveBmpConvertLiteral_640x480(benchmark::State& state) {
    Convert<true>(state);
}
BENCHMARK(BM_SaveBmpConvertLiteral_640x480);

} // namespace
} // namespace brelvo
