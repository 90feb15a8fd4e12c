#pragma once

#include "base/Point.h"
#include "gfx/BitmapFont.h"
#include "ui/StateMachine.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace brelvo {

inline constexpr std::size_t kInterfaceFontCount = 10;
using InterfaceFontSet = std::array<BitmapFont, kInterfaceFontCount>;

// The interface fonts by their place in the set: the archive's fonts in their load order, then
// the title font drawn on black, which the controller makes from the title font.
namespace font {
inline constexpr std::size_t kList = 0;
inline constexpr std::size_t kBody = 1;
inline constexpr std::size_t kTitle = 2;
inline constexpr std::size_t kMenu = 3;
inline constexpr std::size_t kHelpBody = 4;
inline constexpr std::size_t kHelpIndex = 5;
inline constexpr std::size_t kHelpHeading = 6;
inline constexpr std::size_t kBusyDark = 7;
inline constexpr std::size_t kBusyLight = 8;
inline constexpr std::size_t kTitleOnBlack = 9;
} // namespace font

// What a screen shares with the controller: the one lock between drawing and the handlers, the
// interface fonts, the state machine, the layout offset and the flag that drops the next tap.
// The program hands every screen the context of its process-wide values; a test builds its own,
// so that a screen can be built and driven alone.
//
// The controller calls every handler of a screen with the lock held (through Dispatch), and
// reads the state under it, so a screen's handler never runs once the program has switched to
// another screen. Work that must not stop the frames, the warp computations, runs through
// Unlocked.
struct ScreenContext {
    ScreenContext(std::recursive_mutex& lockToShare, InterfaceFontSet& fontSet,
                  StateMachine& stateMachine, const Point& offset, std::atomic<bool>& ignoreTap)
        : lock(lockToShare), fonts(fontSet), states(stateMachine), layoutOffset(offset),
          ignoreNextTap(ignoreTap) {}
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;

    std::recursive_mutex& lock;
    InterfaceFontSet& fonts;
    StateMachine& states;
    // (0, 320 - display height); set by the controller before the screens are initialised.
    const Point& layoutOffset;
    std::atomic<bool>& ignoreNextTap;

    void SetState(std::int32_t state, std::int32_t delayFrames) const {
        states.SetState(state, delayFrames);
    }
    std::int32_t GetState() const { return states.GetState(); }
    std::int32_t OffsetY() const { return layoutOffset.y; }

    // The hold a handler runs under, taken by the dispatcher on the window thread.
    class Dispatch {
    public:
        explicit Dispatch(ScreenContext& context) : m_context(context), m_hold(context.lock) {
            m_outer = context.m_dispatch;
            context.m_dispatch = &m_hold;
        }
        ~Dispatch() { m_context.m_dispatch = m_outer; }
        Dispatch(const Dispatch&) = delete;
        Dispatch& operator=(const Dispatch&) = delete;

    private:
        ScreenContext& m_context;
        std::unique_lock<std::recursive_mutex> m_hold;
        std::unique_lock<std::recursive_mutex>* m_outer = nullptr;
    };

    // Runs work with the dispatcher's hold released, so that the frame thread goes on drawing
    // (the busy indicator among it). The caller must not hold the lock in any other way. Outside
    // a dispatch (tests that call a handler directly) the work simply runs.
    template <typename Work>
    void Unlocked(Work&& work) {
        std::unique_lock<std::recursive_mutex>* hold = m_dispatch;
        if (hold)
            hold->unlock();
        work();
        if (hold)
            hold->lock();
    }

private:
    std::unique_lock<std::recursive_mutex>* m_dispatch = nullptr;
};

} // namespace brelvo
