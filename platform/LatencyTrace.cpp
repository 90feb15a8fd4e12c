#include "platform/LatencyTrace.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace brelvo::platform::latency {

namespace {

struct Trace {
    Trace() {
        if (const char* path = std::getenv("BRELVO_LATENCY_TRACE"); path && *path)
            file = std::fopen(path, "w");
    }
    ~Trace() {
        if (file)
            std::fclose(file);
    }
    std::FILE* file = nullptr;
    std::mutex lock;
    std::atomic<std::uint64_t> lastInput{0};
    std::atomic<std::uint64_t> composed{0};
};

Trace& TheTrace() {
    static Trace trace;
    return trace;
}

} // namespace

bool Enabled() {
    return TheTrace().file != nullptr;
}

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void InputHandled(std::int64_t receivedNs) {
    Trace& t = TheTrace();
    if (!t.file)
        return;
    const std::int64_t handled = NowNs();
    std::lock_guard hold(t.lock);
    const std::uint64_t seq = t.lastInput.load() + 1;
    std::fprintf(t.file, "input %llu %lld %lld\n", static_cast<unsigned long long>(seq),
                 static_cast<long long>(receivedNs), static_cast<long long>(handled));
    t.lastInput.store(seq);
}

std::uint64_t LastInput() {
    return TheTrace().lastInput.load();
}

void FrameComposed(std::uint64_t input) {
    Trace& t = TheTrace();
    t.composed.store(input);
    if (!t.file)
        return;
    const std::int64_t now = NowNs();
    std::lock_guard hold(t.lock);
    std::fprintf(t.file, "frame %lld\n", static_cast<long long>(now));
}

std::uint64_t ComposedInput() {
    return TheTrace().composed.load();
}

void FramePresented(std::uint64_t input) {
    Trace& t = TheTrace();
    if (!t.file)
        return;
    const std::int64_t shown = NowNs();
    std::lock_guard hold(t.lock);
    std::fprintf(t.file, "present %llu %lld\n", static_cast<unsigned long long>(input),
                 static_cast<long long>(shown));
    std::fflush(t.file);
}

void WorkDone(const char* what, std::int64_t startNs) {
    Trace& t = TheTrace();
    if (!t.file)
        return;
    const std::int64_t end = NowNs();
    std::lock_guard hold(t.lock);
    std::fprintf(t.file, "work %s %lld %lld\n", what, static_cast<long long>(startNs),
                 static_cast<long long>(end));
    std::fflush(t.file);
}

} // namespace brelvo::platform::latency
