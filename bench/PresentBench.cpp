// CPU per presented frame: the panel's direct path (into a file standing for the frame buffer,
// so no device is needed) beside the desktop window (SDL2; needs an X display, for example under
// xvfb-run), whose frame is handed to the window thread and shown there, as in the program; here
// one thread plays both parts. Every frame differs from the one before, so that none is skipped
// as unchanged: by one pixel (a stroke's frame), or (the last argument 1) in every pixel. The CPU
// column counts every thread of the process; the X server's own work for the window is not in it.

#include "app/Display.h"
#include "platform/FrameBuffer.h"
#include "platform/SdlWindow.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <unistd.h>

namespace brelvo {
namespace {

// Presents a changing frame once an iteration; after each, the window thread's part, if any.
void Frames(benchmark::State& state, bool changeAll, Display& display,
            const std::function<void()>& windowThread = {}) {
    Surface back;
    display.GetBackbuffer(back);
    for (std::uint32_t i = 0; i < back.GetSize() / 2; ++i)
        back.GetPixels()[i] = static_cast<Pixel>(i * 2654435761u >> 16);
    std::uint32_t n = 0;
    for (auto _ : state) {
        if (changeAll) {
            for (std::uint32_t i = 0; i < 76800; ++i)
                back.GetPixels()[i] ^= 0xFFFF;
        } else {
            back.GetPixels()[n++ % 76800] ^= 0xFFFF;
        }
        display.Present();
        if (windowThread)
            windowThread();
        benchmark::ClobberMemory();
    }
}

// Arguments: the panel's width, height and depth; whether every pixel changes.
void BM_PresentPanel(benchmark::State& state) {
    char path[] = "/tmp/brelvo-bench-fb-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        state.SkipWithError("cannot make a file for the frame buffer");
        return;
    }
    ::close(fd);
    const std::string geometry = std::to_string(state.range(0)) + "x" +
                                 std::to_string(state.range(1)) + "x" +
                                 std::to_string(state.range(2));
    std::optional<platform::FrameBufferFormat> format;
    std::string error;
    platform::ParseFrameBufferGeometry(geometry, format.emplace(), error);
    std::unique_ptr<platform::FrameBuffer> fb =
        platform::OpenFrameBuffer({path, format, -1, nullptr}, error);
    {
        Display display;
        if (!fb || Failed(display.ChangeMode(fb->Rotation() ? 8 : 1, fb.get())) ||
            Failed(display.Open(nullptr, 0)))
            state.SkipWithError(("cannot open the frame buffer: " + error).c_str());
        else
            Frames(state, state.range(3) != 0, display);
    }
    ::unlink(path);
}
BENCHMARK(BM_PresentPanel)
    ->ArgsProduct({{240}, {320}, {16}, {0, 1}})
    ->Args({320, 240, 16, 1})
    ->Args({320, 240, 32, 1})
    ->Args({480, 640, 16, 1})
    ->MeasureProcessCPUTime();

// Arguments: the window's scale; whether every pixel changes.
void BM_PresentWindow(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X display (run it under xvfb-run)");
        return;
    }
    std::unique_ptr<platform::Window> window =
        platform::CreateSdlWindow({.scale = static_cast<std::int32_t>(state.range(0))});
    Display display;
    if (Failed(window->Create({.title = "Brelvo bench"})) ||
        Failed(display.ChangeMode(1, nullptr)) || Failed(display.Open(window.get(), 0))) {
        state.SkipWithError("cannot open the window");
        return;
    }
    Frames(state, state.range(1) != 0, display, [&] {
        platform::WindowEvent event;
        while (window->PollEvent(event)) {
        }
    });
    display.Close();
    window->Destroy();
}
BENCHMARK(BM_PresentWindow)->ArgsProduct({{2}, {0, 1}})->Args({3, 1})->MeasureProcessCPUTime();

} // namespace
} // namespace brelvo
