#pragma once

#include "base/Point.h"
#include "base/Rect.h"

#include <array>
#include <cstdint>
#include <span>

namespace brelvo::help {

// The help pages' words, kept together so that they can be read, checked and translated in one
// place (HelpText.cpp). A page is 234 pixels wide; its text is drawn once into the page image.

// A line of text and where it stands on its page.
struct Line {
    Point at;
    const char16_t* text;
};

// One topic page: its height in page pixels, the heading (drawn at (5, 5)) and the body lines.
struct Topic {
    std::int32_t height;
    const char16_t* heading;
    std::span<const Line> body;
};

// An index line: the link's text, where it stands, and the rectangle that opens its topic
// (page coordinates, edges inclusive).
struct Link {
    Point at;
    const char16_t* text;
    Rect area;
};

inline constexpr std::int32_t kTopicCount = 12;
inline constexpr std::int32_t kIndexHeight = 260;
inline constexpr Point kHeadingAt(5, 5);

// Topics 1 to 12, at [topic - 1].
extern const std::array<Topic, kTopicCount> kTopics;
// The index's lines; link k opens topic k + 1.
extern const std::array<Link, kTopicCount> kIndex;

} // namespace brelvo::help
