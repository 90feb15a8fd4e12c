// brelvo_soak MINUTES [SEED]: the whole program in random hands for MINUTES, on a device root of
// its own (see RandomUse.h). Built with AddressSanitizer and UndefinedBehaviorSanitizer by
// scripts/soak, which stop it at the first finding. Each minute it prints the events played, the
// resident memory and what the checks of the root found, then puts the root back; at the end the
// events per second and the memory's growth after the first minute.

#include "base/Options.h"
#include "fuzz/RandomUse.h"
#include "platform/DeviceFiles.h"

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of live bytes (GCC installs no header that declares it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace brelvo;

double ResidentMiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The bytes the program holds allocated. Under AddressSanitizer the resident memory also holds
// its quarantine of freed blocks, so this is the measure that shows a leak.
double LiveHeapMiB() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / 1048576.0;
#else
    return static_cast<double>(::mallinfo2().uordblks) / 1048576.0;
#endif
}

double Growth(double from, double to) {
    return from > 0 ? (to - from) * 100 / from : 0.0;
}

int Main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    static constexpr OptionSpec kOptions[] = {{"--help"}};
    std::vector<Argument> read;
    std::string error;
    if (!ReadArguments(kOptions, args, read, error))
        return UsageError("brelvo_soak", error);
    std::vector<std::string> operands;
    for (const Argument& arg : read) {
        if (arg.Is("--help")) {
            std::puts("Usage: brelvo_soak MINUTES [SEED]\n"
                      "Random taps, drags, keys, typing and frames on the whole program for\n"
                      "MINUTES (1 to 1440), from SEED (default 1).");
            return 0;
        }
        operands.push_back(arg.value);
    }
    std::int32_t minutes = 0, seed = 1;
    if (operands.empty() || operands.size() > 2)
        return UsageError("brelvo_soak", "give MINUTES and at most a SEED");
    if (!ReadWholeNumber("MINUTES", operands[0], 1, 1440, minutes, error) ||
        (operands.size() == 2 && !ReadWholeNumber("SEED", operands[1], 0, 2147483647, seed, error)))
        return UsageError("brelvo_soak", error);

    char base[] = "/tmp/brelvo-soak-XXXXXX";
    if (!::mkdtemp(base)) {
        std::perror("brelvo_soak: a folder of its own");
        return 1;
    }
    std::vector<std::string> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(BRELVO_PICTURE_SEEDS))
        seeds.push_back(entry.path().string());
    UseRoot root;
    if (!root.Create(base, seeds, error)) {
        std::fprintf(stderr, "brelvo_soak: %s\n", error.c_str());
        return 1;
    }
    ::setenv("XDG_CONFIG_HOME", (std::string(base) + "/settings").c_str(), 1);
    platform::SetDeviceRoot(root.Root());
    UseDriver driver(std::filesystem::path(BRELVO_ARCHIVE_FILE).parent_path().string() + "/");
    if (!driver.Started()) {
        std::fprintf(stderr, "brelvo_soak: the program did not start (%s)\n", BRELVO_ARCHIVE_FILE);
        return 1;
    }
    std::printf("brelvo_soak: %d minutes from seed %d, device root %s\n", minutes, seed,
                root.Root().c_str());
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    std::vector<std::uint8_t> bytes(256);
    double firstMinute = 0, last = 0, firstHeap = 0, heap = 0;
    int findings = 0;
    for (int minute = 1; minute <= minutes; ++minute) {
        while (Clock::now() < start + std::chrono::minutes(minute)) {
            for (std::uint8_t& b : bytes)
                b = static_cast<std::uint8_t>(random());
            driver.Play(bytes.data(), bytes.size());
        }
        last = ResidentMiB();
        heap = LiveHeapMiB();
        if (minute == 1) {
            firstMinute = last;
            firstHeap = heap;
        }
        const std::string found = root.Check();
        findings += !found.empty();
        std::string states;
        for (int s = 1; s < 32; ++s)
            if (driver.StatesSeen() & (1u << s))
                states += (states.empty() ? "" : ",") + std::to_string(s);
        std::printf("minute %d: %llu events, resident %.1f MiB, heap %.2f MiB, screen states seen "
                    "%s%s%s\n",
                    minute, static_cast<unsigned long long>(driver.Events()), last, heap,
                    states.c_str(), found.empty() ? "" : ", found: ", found.c_str());
        std::fflush(stdout);
        root.Restore();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%llu events in %.0f s: %.0f events a second; after the first minute and at the "
                "end: resident memory %.1f and %.1f MiB (%+.1f%%), heap %.2f and %.2f MiB "
                "(%+.1f%%); %d findings\n",
                static_cast<unsigned long long>(driver.Events()), seconds,
                static_cast<double>(driver.Events()) / seconds, firstMinute, last,
                Growth(firstMinute, last), firstHeap, heap, Growth(firstHeap, heap), findings);
    return findings == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return Main(argc, argv);
}
