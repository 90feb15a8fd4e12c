// What one editor frame costs: the whole screen composed with a picture shown and nothing
// moving, beside a plain copy of the same 240x320 frame (what presenting it costs at least). At
// 30 frames a second, a frame of 1 ms is 3% of one core.

#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "screens/EditorScreen.h"

#include "tests/support/TestScreenContext.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace brelvo {
namespace {

struct Editor {
    explicit Editor(std::int32_t width, std::int32_t height) {
        ResourceArchive archive(FromUtf8(BRELVO_ARCHIVE_FILE).c_str());
        editor.Initialise(archive);
        ImageDocument& document = editor.Document();
        document.picture.Create(0, width, height);
        for (std::uint32_t i = 0; i < document.picture.GetSize() / 2; ++i)
            document.picture.GetPixels()[i] = static_cast<Pixel>(i * 2654435761u >> 16);
        document.history.load();
        // The whole picture in the view, as a user sees it first.
        editor.SelectTool(ToolId::Zoom);
        editor.StylusDown(207, 36);
        editor.StylusUp(207, 36);
        frame.Create(CREATE_CLEAR, 240, 320);
        for (int i = 0; i < 20; ++i)
            editor.Draw(frame); // the zoom button's flash is over
    }
    test::TestScreenContext shared;
    std::recursive_mutex& lock = shared.lock;
    StateMachine& states = shared.states;
    ScreenContext& context = shared.context;
    EditorScreen editor{context, EditorScreen::Neighbours{}};
    Surface frame;
};

void BM_EditorFrame(benchmark::State& state) {
    Editor e(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
    for (auto _ : state) {
        std::lock_guard hold(e.lock);
        e.editor.Draw(e.frame);
        benchmark::DoNotOptimize(e.frame.GetPixels());
    }
}
BENCHMARK(BM_EditorFrame)->Args({640, 480})->Args({4000, 3000})->Unit(benchmark::kMicrosecond);

void BM_FrameCopy(benchmark::State& state) {
    std::vector<Pixel> from(240 * 320, 1), to(240 * 320);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(to.data());
    }
}
BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace brelvo
