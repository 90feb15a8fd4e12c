// The whole program under the fuzzer: the bytes become taps, drags, keys, typed text and frames
// (RandomUse.h tells how) played on the program's controller with the real artwork, on a device
// root that holds real pictures, broken ones, a large photo, odd names, a read-only folder and a
// link out of the root. Besides the sanitizers, after each input: nothing outside the root
// changed, and every picture in it is its old bytes or a whole BMP that decodes. The root is then
// put back, and each input starts the program afresh, so that an input always does the same.

#include "fuzz/RandomUse.h"
#include "platform/DeviceFiles.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

brelvo::UseRoot root;
std::string programFolder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char base[] = "/tmp/brelvo-fuzz-program-XXXXXX";
    if (!::mkdtemp(base))
        std::abort();
    std::vector<std::string> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(BRELVO_PICTURE_SEEDS))
        seeds.push_back(entry.path().string());
    std::string error;
    if (!root.Create(base, seeds, error)) {
        std::fprintf(stderr, "fuzz_program: %s\n", error.c_str());
        std::abort();
    }
    ::setenv("XDG_CONFIG_HOME", (std::string(base) + "/settings").c_str(), 1);
    brelvo::platform::SetDeviceRoot(root.Root());
    programFolder = std::filesystem::path(BRELVO_ARCHIVE_FILE).parent_path().string() + "/";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        brelvo::UseDriver driver(programFolder);
        if (!driver.Started())
            std::abort();
        driver.Play(data, size);
    }
    const std::string found = root.Check();
    if (!found.empty()) {
        std::fprintf(stderr, "fuzz_program: %s\n", found.c_str());
        std::abort();
    }
    root.Restore();
    return 0;
}
