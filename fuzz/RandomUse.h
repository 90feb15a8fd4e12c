#pragma once

// The whole program in random hands: a device root full of the files users have (real pictures,
// broken ones, a large photo, odd names, a read-only folder, a link out of the root), the
// program's controller driven through the same dispatch as the headless program's, and the
// checks that nothing was lost or written where it must not be. The whole-program fuzzer and the
// long random-use run (scripts/soak) share it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brelvo {

class App;
class Surface;

class UseRoot {
public:
    UseRoot() = default;
    // Removes the whole base folder.
    ~UseRoot();
    UseRoot(const UseRoot&) = delete;
    UseRoot& operator=(const UseRoot&) = delete;

    // Lays the root out in base, a fresh folder: base/root (the device root), base/pristine (what
    // Restore puts back), base/outside (where the root's link points; nothing may change there).
    // The files in brokenSeeds (pictures) go in whole and cut in half. False with a message.
    bool Create(const std::string& base, const std::vector<std::string>& brokenSeeds,
                std::string& error);
    const std::string& Root() const { return m_root; }

    // What the last use broke, one line, or empty: a file outside the root changed, a picture
    // that was there is neither its old bytes nor a whole BMP that decodes, or a new file is not
    // such a BMP.
    std::string Check() const;
    // Puts the root back as Create made it.
    void Restore() const;

private:
    std::string m_base;
    std::string m_root;
    std::string m_pristine;
    std::string m_outsideListing;
};

// The program's controller with all its screens, run in this thread: frames composed on demand,
// events through Application::WindowProc as the headless window delivers them. The picture
// browser's decoding thread is waited for after each event, so that the same bytes always give
// the same run. Leaving the program (File > Exit, the close box) only brings the editor back, so
// that the use goes on.
class UseDriver {
public:
    // programFolder holds Brelvo.erc; the device root must be set already.
    explicit UseDriver(const std::string& programFolder);
    ~UseDriver();
    UseDriver(const UseDriver&) = delete;
    UseDriver& operator=(const UseDriver&) = delete;

    // False when the program could not start (no archive).
    bool Started() const { return m_started; }
    // Plays the events the bytes describe: each starts with a byte that chooses a tap, a drag, a
    // key (with Ctrl or Shift), typed text, frames, the wheel or the close box, and goes on with
    // the bytes it needs; missing bytes read as 0.
    void Play(const std::uint8_t* data, std::size_t size);
    // Events delivered so far (a tap is two, a drag its down, moves and up).
    std::uint64_t Events() const { return m_events; }
    // The screen states the program has been in, bit 1 << state for each.
    std::uint32_t StatesSeen() const { return m_statesSeen; }

private:
    void Deliver(int type, std::int32_t x, std::int32_t y, std::uint16_t key, char16_t c);
    void Frames(int count);
    void Settle();

    std::unique_ptr<App> m_app;
    std::unique_ptr<Surface> m_frame;
    bool m_started = false;
    std::uint64_t m_events = 0;
    std::uint32_t m_statesSeen = 0;
};

} // namespace brelvo
