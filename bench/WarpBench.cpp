// One application of each warp tool on a 640x480 picture, beside two baselines: the literal
// per-pixel version, and the floor, a plain bilinear resampling of the same square from a map of
// source positions worked out beforehand. The tools compute their sources and check the edges on
// top of the floor's work, so they should stay within a small factor of it; the floor is one
// plain loop, while the tools gather and interpolate in separate passes that the compiler
// vectorises, which can take them below it. The argument is the tool's Size (Size 100 is a
// 200x200 square).

#include "editor/HookTool.h"
#include "editor/RadialWarpTool.h"
#include "editor/WarpMath.h"
#include "tests/reference/WarpReference.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace brelvo {
namespace {

constexpr int kW = 640, kH = 480;
constexpr Point kCentre(320, 240);
// 22 pixels from the centre: far enough for the radial tools to remap at every drag, near enough
// for the Hook to pull once.
constexpr Point kAway(340, 250);
constexpr int kPower = 50;

Surface Picture() {
    Surface s;
    s.Create(0, kW, kH);
    std::mt19937 rng(11);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<Pixel>(rng() % 8 == 0 ? 0xF81F : rng());
    return s;
}

std::int32_t RadiusOf(int size) {
    return static_cast<std::int32_t>(percentLerp(size, 3.0, 100.0));
}

// Alternates between two points, so that every drag applies the tool once.
template <typename Tool>
void Alternate(benchmark::State& state, Tool& tool) {
    bool away = false;
    for (auto _ : state) {
        away = !away;
        const Point p = away ? kAway : kCentre;
        tool.drag(p.x, p.y);
        benchmark::ClobberMemory();
    }
    const std::int64_t side = 2 * RadiusOf(static_cast<int>(state.range(0)));
    state.SetItemsProcessed(state.iterations() * side * side);
}

template <bool Literal>
void RadialApply(benchmark::State& state, RadialWarpTool::Kind kind) {
    Surface picture = Picture();
    std::recursive_mutex lock;
    const int size = static_cast<int>(state.range(0));
    if constexpr (Literal) {
        reference::RadialWarpTool tool(kind, picture);
        tool.configure(true, true, kPower, size);
        tool.begin(kCentre.x, kCentre.y);
        Alternate(state, tool);
    } else {
        RadialWarpTool tool(kind, picture, lock);
        tool.configure(true, true, kPower, size);
        tool.begin(kCentre.x, kCentre.y);
        Alternate(state, tool);
    }
}

template <bool Literal>
void HookApply(benchmark::State& state) {
    Surface picture = Picture();
    std::recursive_mutex lock;
    const int size = static_cast<int>(state.range(0));
    if constexpr (Literal) {
        reference::HookTool tool(picture);
        tool.configure(kPower, size);
        tool.begin(kCentre.x, kCentre.y);
        Alternate(state, tool);
    } else {
        HookTool tool(picture, lock);
        tool.configure(kPower, size);
        tool.begin(kCentre.x, kCentre.y);
        Alternate(state, tool);
    }
}

// The floor: for each pixel of the square its source position from the map, the four pixels
// around it read through the row pointer, each channel interpolated in double and truncated.
struct Source {
    float x, y;
};

void Resample(const Surface& picture, const std::vector<Source>& map, std::int32_t side,
              Pixel* out) {
    const Pixel* pixels = picture.GetPixels();
    const std::size_t pitch = picture.GetPitch();
    for (std::int32_t i = 0; i < side * side; ++i) {
        const double x = map[static_cast<std::size_t>(i)].x;
        const double y = map[static_cast<std::size_t>(i)].y;
        const auto ix = static_cast<std::int32_t>(x), iy = static_cast<std::int32_t>(y);
        const double fx = x - ix, fy = y - iy;
        const Pixel* p = pixels + static_cast<std::size_t>(iy) * pitch + ix;
        const auto channel = [&](int shift, int up) {
            const auto c = [&](Pixel v) { return ((v << up) >> shift) & 0xF8; };
            const double a = c(p[0]) + (c(p[pitch]) - c(p[0])) * fy;
            const double b = c(p[1]) + (c(p[pitch + 1]) - c(p[1])) * fy;
            return static_cast<std::uint32_t>(static_cast<std::int32_t>(a + (b - a) * fx));
        };
        const Color color = channel(8, 0) | channel(3, 0) << 8 | channel(0, 3) << 16;
        out[i] = ColorToPixel(color);
    }
}

// The sources of one application at the centre, as the tools form them.
std::vector<Source> RadialMap(RadialWarpTool::Kind kind, int size) {
    Surface picture = Picture();
    std::recursive_mutex lock;
    RadialWarpTool tool(kind, picture, lock);
    tool.configure(true, true, kPower, size);
    tool.begin(kCentre.x, kCentre.y);
    const std::int32_t r = RadiusOf(size);
    std::vector<Source> map;
    for (std::int32_t dy = -r; dy < r; ++dy) {
        for (std::int32_t dx = -r; dx < r; ++dx) {
            const auto d = static_cast<float>(roundedIsqrt(dx * dx + dy * dy));
            Source s{static_cast<float>(kCentre.x + dx), static_cast<float>(kCentre.y + dy)};
            if (d < static_cast<float>(r) && d != 0) {
                const float scale = tool.table()[static_cast<int>(d)] / d;
                s = {static_cast<float>(kCentre.x) + static_cast<float>(dx) * scale,
                     static_cast<float>(kCentre.y) + static_cast<float>(dy) * scale};
            }
            map.push_back(s);
        }
    }
    return map;
}

std::vector<Source> HookMap(int size) {
    Surface picture = Picture();
    std::recursive_mutex lock;
    HookTool tool(picture, lock);
    tool.configure(kPower, size);
    tool.begin(kCentre.x, kCentre.y);
    const std::int32_t r = RadiusOf(size);
    const auto mx =
        static_cast<float>(static_cast<std::int32_t>((kAway.x - kCentre.x) * tool.strength()));
    const auto my =
        static_cast<float>(static_cast<std::int32_t>((kAway.y - kCentre.y) * tool.strength()));
    std::vector<Source> map;
    for (std::int32_t dy = -r; dy < r; ++dy) {
        for (std::int32_t dx = -r; dx < r; ++dx) {
            const auto d = roundedIsqrt(dx * dx + dy * dy);
            const float w =
                d < static_cast<std::uint32_t>(r) ? tool.table()[static_cast<int>(d)] : 0.0f;
            map.push_back({static_cast<float>(kAway.x + dx) - mx * w,
                           static_cast<float>(kAway.y + dy) - my * w});
        }
    }
    return map;
}

void Floor(benchmark::State& state, const std::vector<Source>& map) {
    const Surface picture = Picture();
    const std::int32_t side = 2 * RadiusOf(static_cast<int>(state.range(0)));
    std::vector<Pixel> out(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (auto _ : state) {
        Resample(picture, map, side, out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

void BM_Magnifier(benchmark::State& state) {
    RadialApply<false>(state, RadialWarpTool::Kind::Magnifier);
}
void BM_MagnifierLiteral(benchmark::State& state) {
    RadialApply<true>(state, RadialWarpTool::Kind::Magnifier);
}
void BM_MagnifierFloor(benchmark::State& state) {
    Floor(state, RadialMap(RadialWarpTool::Kind::Magnifier, static_cast<int>(state.range(0))));
}
void BM_Gripper(benchmark::State& state) {
    RadialApply<false>(state, RadialWarpTool::Kind::Gripper);
}
void BM_GripperLiteral(benchmark::State& state) {
    RadialApply<true>(state, RadialWarpTool::Kind::Gripper);
}
void BM_GripperFloor(benchmark::State& state) {
    Floor(state, RadialMap(RadialWarpTool::Kind::Gripper, static_cast<int>(state.range(0))));
}
void BM_HookPull(benchmark::State& state) {
    HookApply<false>(state);
}
void BM_HookPullLiteral(benchmark::State& state) {
    HookApply<true>(state);
}
void BM_HookPullFloor(benchmark::State& state) {
    Floor(state, HookMap(static_cast<int>(state.range(0))));
}

BENCHMARK(BM_Magnifier)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_MagnifierLiteral)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_MagnifierFloor)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_Gripper)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_GripperLiteral)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_GripperFloor)->Arg(0)->Arg(50)->Arg(100);
BENCHMARK(BM_HookPull)->Arg(100);
BENCHMARK(BM_HookPullLiteral)->Arg(100);
BENCHMARK(BM_HookPullFloor)->Arg(100);

} // namespace
} // namespace brelvo
