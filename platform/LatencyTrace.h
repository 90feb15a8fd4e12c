#pragma once

#include <cstdint>

// A trace for measuring stylus latency: how long from a stylus event reaching the program to the
// first frame on the screen that shows what the event did. It is off unless the environment
// variable BRELVO_LATENCY_TRACE names a file; then the program writes one line per handled
// stylus event ("input SEQ RECEIVED_NS HANDLED_NS") and per frame put on the screen ("present
// SEQ SHOWN_NS", SEQ the newest event whose handling had ended when the frame was composed).
// Times are on the monotonic clock. bench/stylus-latency reads the file.
namespace brelvo::platform::latency {

bool Enabled();
std::int64_t NowNs();

// Window thread, after a stylus handler returned: numbers the event.
void InputHandled(std::int64_t receivedNs);
// The newest handled event, for the frame about to be composed.
std::uint64_t LastInput();
// Primary thread, after composing a frame that contains the events up to input ("frame NS").
void FrameComposed(std::uint64_t input);
// The window, when it takes over a composed frame.
std::uint64_t ComposedInput();
// Window thread, when the frame containing the events up to input is on the screen.
void FramePresented(std::uint64_t input);
// Any thread: a piece of work that ran from startNs to now ("work WHAT START_NS END_NS").
void WorkDone(const char* what, std::int64_t startNs);

} // namespace brelvo::platform::latency
