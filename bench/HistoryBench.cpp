// The history copies whole pictures: commit and undo beside a memcpy of the same bytes.

#include "editor/ImageDocument.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace brelvo {
namespace {

void Fill(Surface& s, int w, int h) {
    s.Create(0, w, h);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<Pixel>(i * 2654435761u >> 16);
}

void BM_HistoryCommit(benchmark::State& state) {
    std::recursive_mutex lock;
    ImageDocument doc(lock);
    Fill(doc.picture, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    doc.history.load();
    // The history is filled before timing: from then on every commit drops the oldest state and
    // reuses its buffer, as in a long editing session, and no first touch of fresh memory is
    // measured.
    for (int i = 0; i < EditHistory::kMaxSnapshots; ++i)
        doc.history.commit();
    for (auto _ : state) {
        doc.history.commit();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.picture.GetSize()));
}
BENCHMARK(BM_HistoryCommit)->Args({640, 480})->Args({4000, 3000});

void BM_HistoryUndo(benchmark::State& state) {
    std::recursive_mutex lock;
    ImageDocument doc(lock);
    Fill(doc.picture, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    doc.history.load();
    doc.history.commit();
    bool back = true;
    for (auto _ : state) {
        // Undo and redo alternate so that every iteration copies a snapshot into the picture.
        if (back)
            doc.history.undo();
        else
            doc.history.redo();
        back = !back;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.picture.GetSize()));
}
BENCHMARK(BM_HistoryUndo)->Args({640, 480})->Args({4000, 3000});

void BM_MemcpyPicture(benchmark::State& state) {
    const std::size_t bytes =
        static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.range(1)) * 2;
    std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpyPicture)->Args({640, 480})->Args({4000, 3000});

} // namespace
} // namespace brelvo
