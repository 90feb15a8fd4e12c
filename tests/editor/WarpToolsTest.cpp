#include "editor/HookTool.h"
#include "editor/RadialWarpTool.h"
#include "editor/WarpMath.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/WarpReference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <tuple>
#include <vector>

// Running out of memory for a scratch square is simulated by failing every allocation of its
// size. That needs the C library's allocator underneath; sanitizer builds bring their own, and
// there that test is skipped.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define BRELVO_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BRELVO_OWN_ALLOCATOR 1
#endif
#if defined(__GLIBC__) && !defined(BRELVO_OWN_ALLOCATOR)
#define BRELVO_CAN_FAIL_ALLOCATION 1
namespace {
std::atomic<std::size_t> g_failingSize{0};
}
extern "C" void* __libc_malloc(std::size_t size) noexcept;
extern "C" void* malloc(std::size_t size) noexcept {
    if (size != 0 && size == g_failingSize.load(std::memory_order_relaxed))
        return nullptr;
    return __libc_malloc(size);
}
#endif

namespace brelvo {
namespace {

using Kind = RadialWarpTool::Kind;

constexpr Kind kKinds[] = {Kind::Magnifier, Kind::Gripper};
// The three direction modes as (horizontal, vertical): both axes, x only, y only.
constexpr std::pair<bool, bool> kModes[] = {{true, true}, {true, false}, {false, true}};

// Random pixels, one in eight the colour key; some pictures carry another key, which the tools
// must ignore (the scratch square's key decides what is drawn back).
Surface RandomPicture(std::mt19937& rng, int w, int h) {
    Surface s = test::RandomSurface(rng, w, h);
    if (rng() % 4 == 0)
        s.SetColorKeyRaw(static_cast<Pixel>(rng()));
    return s;
}

TEST(RoundedIsqrt, IsTheNearestInteger) {
    for (const std::int32_t n : {INT32_MIN, -1, 0})
        EXPECT_EQ(std::pair(roundedIsqrt(n), reference::roundedIsqrt(n)), std::pair(0u, 0u)) << n;
    int wrong = 0;
    const auto check = [&wrong](std::int64_t n) {
        const auto nearest =
            static_cast<std::uint32_t>(std::floor(std::sqrt(static_cast<double>(n)) + 0.5));
        const auto v = static_cast<std::int32_t>(n);
        if ((roundedIsqrt(v) != nearest || reference::roundedIsqrt(v) != nearest) && ++wrong < 10)
            ADD_FAILURE() << n << " gives " << roundedIsqrt(v) << ", not " << nearest;
    };
    // Every n up to four million, then the neighbours of every square and of every midpoint
    // k * k + k (which rounds down) up to the largest int, which ends the range.
    for (std::int64_t n = 1; n <= 4000000; ++n)
        check(n);
    for (std::int64_t k = 1; k <= 46340; ++k)
        for (std::int64_t n : {k * k - 1, k * k, k * k + k, k * k + k + 1})
            check(n);
    check(INT32_MAX);
}

// The run sampler against the literal one-position sample, on and around the picture: whole and
// half positions meet the edge rules, the rest land anywhere, up to two pixels beyond the edges
// (the Magnifier does not clamp its sources).
TEST(WarpSampler, MatchesTheLiteralSampleAroundTheEdges) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    for (int iter = 0; iter < 300; ++iter) {
        const int w = 1 + static_cast<int>(rng() % 9), h = 1 + static_cast<int>(rng() % 9);
        const Surface s = RandomPicture(rng, w, h);
        const auto coordinate = [&](int size) {
            const auto whole = static_cast<float>(static_cast<int>(rng() % (size + 5u)) - 2);
            const unsigned kind = rng() % 3;
            return kind == 0 ? whole : whole + (kind == 1 ? 0.5f : fraction(rng));
        };
        float xs[WarpSampler::kMaxRun], ys[WarpSampler::kMaxRun];
        Pixel out[WarpSampler::kMaxRun];
        for (int i = 0; i < WarpSampler::kMaxRun; ++i)
            xs[i] = coordinate(w), ys[i] = coordinate(h);
        WarpSampler(s.Header()).pixelsAt(xs, ys, WarpSampler::kMaxRun, out);
        for (int i = 0; i < WarpSampler::kMaxRun; ++i)
            ASSERT_EQ(out[i], ColorToPixel(reference::sampleBilinear(s, xs[i], ys[i])))
                << w << "x" << h << " at " << xs[i] << "," << ys[i];
    }
}

// Size 0 and 100 give the radius 3 and 100, values beyond 0 .. 100 count as the nearest end. The
// curves equal the literal ones, and one entry of each is worked out by hand: i * k / (R + k - i)
// with k from 200 (Power 0) to 20 (Power 100) for the Magnifier and from -300 to -120 for the
// Gripper, so that the scale is 1 at the rim; the Hook's arc through (0, 1) and (R, 0) is
// sqrt(c * c - i * i) + 1 - c with c = (R * R + 1) / 2, and 0.9 at the centre.
TEST(WarpTools, PowerAndSizeSetTheCurves) {
    constexpr Kind M = Kind::Magnifier, G = Kind::Gripper;
    const std::tuple<Kind, int, int, int, int, float> radial[] = {
        {M, 0, 0, 3, 1, 200.0f / 202},      {M, 100, 100, 100, 40, 10.0f},
        {G, 0, 100, 100, 50, 60.0f},        {G, 100, 0, 3, 2, 240.0f / 119},
        {M, 50, 50, 51, 11, 1210.0f / 150}, {G, -20, 400, 100, 50, 60.0f},
        {M, 250, -9, 3, 2, 40.0f / 21}};
    Surface picture = test::Solid(8, 8, 0), copy = test::Solid(8, 8, 0);
    std::recursive_mutex lock;
    const auto start = [](auto& t, auto... s) { t.configure(s...), t.begin(4, 4); };
    for (const auto& [kind, power, size, radius, i, value] : radial) {
        SCOPED_TRACE(testing::Message() << "power " << power << " size " << size);
        RadialWarpTool tool(kind, picture, lock);
        reference::RadialWarpTool literal(kind, copy);
        start(tool, true, false, power, size);
        start(literal, true, false, power, size);
        ASSERT_EQ(tool.radius(), radius);
        EXPECT_EQ(std::vector<float>(tool.table().begin(), tool.table().end()), literal.table());
        EXPECT_FLOAT_EQ(tool.table()[i], value);
        EXPECT_EQ(tool.table()[radius], static_cast<float>(radius));
    }

    const std::tuple<int, int, int, double, int, float> hook[] = {
        {0, 0, 3, 0.3, 2, 0.5825757f},     {100, 100, 100, 1.0, 50, 0.7500187f},
        {50, 50, 51, 0.65, 1, 0.9996157f}, {-1, 101, 100, 0.3, 50, 0.7500187f},
        {101, -5, 3, 1.0, 2, 0.5825757f},
    };
    for (const auto& [power, size, radius, strength, i, value] : hook) {
        SCOPED_TRACE(testing::Message() << "power " << power << " size " << size);
        HookTool tool(picture, lock);
        reference::HookTool literal(copy);
        start(tool, power, size);
        start(literal, power, size);
        ASSERT_EQ(tool.radius(), radius);
        EXPECT_NEAR(tool.strength(), strength, 1e-12);
        EXPECT_EQ(std::vector<float>(tool.table().begin(), tool.table().end()), literal.table());
        EXPECT_EQ(tool.table()[0], 0.9f);
        EXPECT_FLOAT_EQ(tool.table()[i], value);
        EXPECT_EQ(tool.table()[radius], 0.0f);
    }
}

// The random strokes below run the tool and the literal version on copies of one picture and
// compare the whole storage after every step. Pictures are tiny, about the size of the square
// or larger, odd and even; Power and Size include both ends; strokes start at corners, edges,
// inside and beyond the picture.
struct RandomStroke {
    RandomStroke(std::mt19937& generator, int iter, int usualMaxSize)
        : rng(generator), power(percent(iter + 3, 100)), size(percent(iter, usualMaxSize)),
          w(side(iter)), h(side(iter)), picture(RandomPicture(rng, w, h)),
          expected(test::Clone(picture)) {
        log << "power " << power << " size " << size << ", " << w << "x" << h << ": ";
    }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    int percent(int iter, int usualMax) {
        return iter % 5 == 0 ? 0 : (iter % 11 == 1 ? 100 : pick(0, usualMax));
    }
    int side(int iter) { return iter % 4 == 0 ? pick(1, 5) : pick(1, 130); }
    int start(int length, int r) {
        const int starts[] = {0,  length - 1,     length / 2,          pick(0, length - 1),
                              -r, length + r - 1, pick(-r, length + r)};
        return starts[pick(0, 6)];
    }
    // The same step on both pictures, then the whole storage compared.
    template <typename Tool, typename Literal, typename Step>
    ::testing::AssertionResult both(Tool& tool, Literal& literal, Step step) {
        step(tool);
        step(literal);
        return test::SameStorage(picture, expected) << log.str();
    }

    std::mt19937& rng;
    int power, size, w, h;
    Surface picture, expected;
    std::recursive_mutex lock;
    std::ostringstream log;
};

TEST(RadialWarpTool, MatchesTheLiteralVersion) {
    std::mt19937 rng(2024);
    for (int iter = 0; iter < 360; ++iter) {
        const Kind kind = kKinds[iter % 2];
        const auto [horizontal, vertical] = kModes[iter / 2 % 3];
        RandomStroke random(rng, iter, 45);
        RadialWarpTool tool(kind, random.picture, random.lock);
        reference::RadialWarpTool literal(kind, random.expected);
        tool.configure(horizontal, vertical, random.power, random.size);
        literal.configure(horizontal, vertical, random.power, random.size);
        const int r = static_cast<int>(tool.radius());
        int x = random.start(random.w, r + 1), y = random.start(random.h, r + 1);
        random.log << static_cast<int>(kind) << " " << horizontal << vertical << " " << x << ","
                   << y;
        ASSERT_TRUE(random.both(tool, literal, [&](auto& t) { t.begin(x, y); }));
        // Moves within 15 pixels of the last remap, of exactly 15, and beyond.
        for (int step = random.pick(0, 5); step > 0; --step) {
            const int move = random.pick(0, 3);
            x += move == 0 ? random.pick(-10, 10) : move == 1 ? 15 : random.pick(-60, 60);
            y += move == 0 ? random.pick(-10, 10) : move == 1 ? 0 : random.pick(-60, 60);
            random.log << " -> " << x << "," << y;
            ASSERT_TRUE(random.both(tool, literal, [&](auto& t) { t.drag(x, y); }));
            ASSERT_EQ(tool.centre(), literal.centre()) << random.log.str();
        }
    }
}

TEST(HookTool, MatchesTheLiteralVersion) {
    std::mt19937 rng(77);
    for (int iter = 0; iter < 300; ++iter) {
        RandomStroke random(rng, iter, 40);
        HookTool tool(random.picture, random.lock);
        std::vector<Point> shown;
        tool.setStepObserver([&shown](Point p) { shown.push_back(p); });
        reference::HookTool literal(random.expected);
        tool.configure(random.power, random.size);
        literal.configure(random.power, random.size);
        const int half = static_cast<int>(tool.radius()) / 2;
        int x = random.start(random.w, 2 * half), y = random.start(random.h, 2 * half);
        random.log << x << "," << y;
        ASSERT_TRUE(random.both(tool, literal, [&](auto& t) { t.begin(x, y); }));
        // No move at all, a move within one step, a whole number of steps along an axis or a
        // 3-4-5 diagonal, and a fast move cut into steps with a partial one at the end.
        for (int step = random.pick(1, 5); step > 0; --step) {
            const int move = random.pick(0, 4), m = random.pick(1, 3);
            x += move == 1   ? random.pick(-half, half) / 2
                 : move == 2 ? 3 * half * m
                 : move == 3 ? -half * (m + 1)
                             : 0;
            y += move == 1 ? random.pick(-half, half) / 2 : move == 2 ? 4 * half * m : 0;
            if (move == 4)
                x += random.pick(-150, 150), y += random.pick(-150, 150);
            random.log << " -> " << x << "," << y;
            ASSERT_TRUE(random.both(tool, literal, [&](auto& t) { t.drag(x, y); }));
            ASSERT_EQ(tool.lastPoint(), literal.lastPoint()) << random.log.str();
            ASSERT_EQ(shown, literal.shownSteps()) << random.log.str();
        }
        const Point from(random.pick(-5, random.w + 5), random.pick(-5, random.h + 5));
        const Point to(random.pick(-5, random.w + 5), random.pick(-5, random.h + 5));
        random.log << " and a pull";
        ASSERT_TRUE(random.both(tool, literal, [&](auto& t) { t.pull(from, to); }));
    }
}

// Pictures without pixels and points anywhere in the 32-bit range: nothing faults, and an empty
// picture leaves the tools unconfigured.
TEST(WarpTools, EmptyPicturesAndExtremePoints) {
    const int extremes[] = {INT32_MIN, -1000000, 1000000, INT32_MAX};
    std::mt19937 rng(4);
    Surface empty, headerOnly, small = RandomPicture(rng, 9, 7);
    ASSERT_EQ(headerOnly.Create(CREATE_NOSTORAGE, 50, 50), kOk);
    const Surface before = test::Clone(small);
    std::recursive_mutex lock;
    for (Surface* picture : {&empty, &headerOnly, &small}) {
        for (const Kind kind : kKinds) {
            RadialWarpTool tool(kind, *picture, lock);
            tool.configure(true, true, 100, 100);
            for (const int x : extremes) {
                tool.begin(x, 3);
                tool.drag(3, x);
                tool.drag(x, x);
            }
            EXPECT_EQ(tool.radius(), picture == &small ? 100.0 : 0.0);
        }
        // Every square missed the picture.
        EXPECT_TRUE(test::SameStorage(small, before));
        HookTool hook(*picture, lock);
        hook.configure(100, 100);
        for (const int x : extremes) {
            hook.begin(x, 3);
            hook.drag(4, 3);
            hook.drag(x, x);
            hook.pull(Point(x, x), Point(4, 3));
            hook.pull(Point(4, 3), Point(3, x));
        }
        EXPECT_EQ(hook.radius(), picture == &small ? 100.0 : 0.0);
    }
    EXPECT_EQ(headerOnly.GetPixels(), nullptr);
    // The steps of the Hook's pulls from far away did reach the picture.
    EXPECT_FALSE(test::SameStorage(small, before));
}

TEST(WarpTools, NoMemoryForTheScratchSquareLeavesThePicture) {
#if !defined(BRELVO_CAN_FAIL_ALLOCATION)
    GTEST_SKIP() << "this build's allocator cannot be made to fail";
#else
    // Size 37 gives R 38: a 76 x 76 square of 11552 bytes, a size nothing else here allocates.
    // A stroke fails on a new tool (first size -1), and after a stroke off the picture that had
    // memory for a smaller square (0); once memory is back (-2) the stroke works. Both radial
    // kinds share the square; a Hook stroke that failed does not move on either.
    std::recursive_mutex lock;
    for (const bool isHook : {false, true}) {
        std::mt19937 rng(8);
        Surface picture = RandomPicture(rng, 60, 50);
        const Surface before = test::Clone(picture);
        for (const int firstSize : {-1, 0, -2}) {
            RadialWarpTool radial(Kind::Gripper, picture, lock);
            HookTool hook(picture, lock);
            const auto begin = [&](int size, Point p) {
                isHook ? hook.configure(70, size) : radial.configure(true, true, 70, size);
                isHook ? hook.begin(p.x, p.y) : radial.begin(p.x, p.y);
            };
            if (firstSize >= 0)
                begin(firstSize, Point(-100, -100));
            g_failingSize = firstSize == -2 ? 0 : 76 * 76 * sizeof(Pixel);
            begin(37, Point(30, 25));
            isHook ? hook.drag(5, 49) : radial.drag(50, 25);
            hook.pull(Point(3, 3), Point(30, 20));
            g_failingSize = 0;
            EXPECT_EQ(test::SameStorage(picture, before), firstSize != -2) << isHook << firstSize;
            EXPECT_EQ(hook.lastPoint() == Point(5, 49), isHook && firstSize == -2);
        }
    }
#endif
}

// The frame thread draws the picture under the global lock. The copy-back waits for it; the
// computation does not hold it, so the frame thread can take it between two pulls.
TEST(WarpTools, OnlyTheCopyBackHoldsTheGlobalLock) {
    std::mt19937 rng(3);
    std::recursive_mutex lock;
    {
        // Both tools write through the same copy-back, so one stroke shows that it waits.
        Surface picture = RandomPicture(rng, 40, 40);
        const Surface before = test::Clone(picture);
        std::unique_lock frame(lock);
        std::atomic<bool> done{false};
        std::thread worker([&] {
            RadialWarpTool tool(Kind::Magnifier, picture, lock);
            tool.configure(true, true, 80, 10);
            tool.begin(20, 20);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done);
        EXPECT_TRUE(test::SameStorage(picture, before));
        frame.unlock();
        worker.join();
        EXPECT_FALSE(test::SameStorage(picture, before));
    }
    Surface picture = RandomPicture(rng, 80, 80);
    HookTool tool(picture, lock);
    int steps = 0, free = 0;
    tool.setStepObserver([&](Point) {
        ++steps;
        std::thread([&] { free += lock.try_lock() ? (lock.unlock(), 1) : 0; }).join();
    });
    tool.configure(50, 10);
    tool.begin(5, 5);
    tool.drag(70, 70);
    EXPECT_GT(steps, 5);
    EXPECT_EQ(free, steps);
}

} // namespace
} // namespace brelvo
