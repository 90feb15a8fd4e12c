#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelvo::platform {

// One line of a headless script.
struct ScriptCommand {
    enum class Kind {
        Frames,      // frames N: let N frames be composed
        Down,        // down X Y: the stylus touches the screen
        Move,        // move X Y
        Up,          // up X Y
        Tap,         // tap X Y: down and up
        Key,         // key NAME|0xCODE: pressed and released
        KeyDown,     // keydown NAME|0xCODE
        KeyUp,       // keyup NAME|0xCODE
        Char,        // char TEXT: the rest of the line, typed one character after another
        Shot,        // shot FILE.png: the next composed frame
        ExpectState, // expect-state N
        WaitState,   // wait-state N: frames go on until the state is N (at most 10 seconds)
        Hide,        // hide: the window is minimised (the program suspends)
        Show,        // show: the window is restored (the program resumes)
        Quit,        // quit: the program ends at once, as on a signal
        Close,       // close: the window's close button (the program may ask first)
        Wheel,       // wheel DX DY: the mouse wheel turns by whole steps
    };

    Kind kind = Kind::Quit;
    int line = 0;
    std::int64_t number = 0; // Frames, ExpectState
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint16_t key = 0;
    std::u16string text; // Char
    std::string path;    // Shot
};

struct HeadlessScript {
    std::string name; // for messages: the file name, or what the caller chose
    std::vector<ScriptCommand> commands;
};

// One command a line; blank lines and lines whose first non-blank character is '#' are skipped,
// and a '#' after a blank starts a comment to the end of the line (so a char text cannot hold a
// blank followed by '#').
// Words are separated by blanks; coordinates are signed 16-bit numbers, frame counts 0 to
// 100000000, key codes 0x1 to 0xFF. False with a message "name:line: ..." in error for the first
// line that is not a command.
bool ParseHeadlessScript(std::string_view text, const std::string& name, HeadlessScript& out,
                         std::string& error);
// Reads and parses a file; scripts beyond 16 MiB are refused.
bool LoadHeadlessScript(const std::string& path, HeadlessScript& out, std::string& error);

} // namespace brelvo::platform
