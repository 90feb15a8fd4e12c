#include "platform/HeadlessScript.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace brelvo::platform {
namespace {

using Kind = ScriptCommand::Kind;

// A command's fields but its line, each with an initializer so that rows name only their own.
struct Command {
    Kind kind = Kind::Quit;
    std::int64_t number = 0;
    std::int32_t x = 0, y = 0;
    std::uint16_t key = 0;
    std::u16string text{};
    std::string path{};
};

// Each row is one line of a script that starts with a comment and a blank line, so the command
// on row i comes from line i + 3. The commands the docs' screenshot script plays in their
// ordinary forms (tap, key enter, quit) are left to that run, and so are the names of the
// commands without arguments: they only copy the parser's table.
TEST(HeadlessScriptTest, ParsesEveryCommand) {
    const struct {
        const char* line;
        Command command;
    } rows[] = {
        {"frames 61\r", {.kind = Kind::Frames, .number = 61}},
        {"  expect-state 1", {.kind = Kind::ExpectState, .number = 1}},
        {"down 10 -20", {.kind = Kind::Down, .x = 10, .y = -20}},
        {"move +3 4", {.kind = Kind::Move, .x = 3, .y = 4}},
        {"up 32767 -32768", {.kind = Kind::Up, .x = 32767, .y = -32768}},
        {"key 0x5a", {.kind = Kind::Key, .key = 0x5A}},
        {"keydown F11", {.kind = Kind::KeyDown, .key = vk::kF11}},
        {"keyup z", {.kind = Kind::KeyUp, .key = 'Z'}},
        // The text keeps its inner and trailing blanks; only the one separator goes.
        {"char Hello, world  ", {.kind = Kind::Char, .text = u"Hello, world  "}},
        {"char \xd0\x96\xf0\x9f\x98\x80", {.kind = Kind::Char, .text = u"\u0416\U0001F600"}},
        {"shot out dir/a b.png", {.kind = Kind::Shot, .path = "out dir/a b.png"}},
        {"wheel 0 -2", {.kind = Kind::Wheel, .y = -2}},
        {"wait-state 2   # a comment after the command", {.kind = Kind::WaitState, .number = 2}},
        {"char a#b c  # typed: a#b c", {.kind = Kind::Char, .text = u"a#b c"}}};
    std::string text = "# a comment\n\n";
    for (const auto& row : rows)
        text += std::string(row.line) + "\n";
    HeadlessScript script;
    std::string error;
    ASSERT_TRUE(ParseHeadlessScript(text, "s.txt", script, error)) << error;
    ASSERT_EQ(script.commands.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ScriptCommand& c = script.commands[i];
        const Command& e = rows[i].command;
        EXPECT_EQ(
            std::tuple(c.kind, c.line, c.number, c.x, c.y, c.key, c.text, c.path),
            std::tuple(e.kind, static_cast<int>(i) + 3, e.number, e.x, e.y, e.key, e.text, e.path))
            << rows[i].line;
    }
}

// Each row: bad scripts and the message after "s:LINE: " that each of them gets.
TEST(HeadlessScriptTest, RefusesBadLinesWithTheirNumber) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"fram 3"}, "unknown command 'fram'"},
        {{"frames", "frames -1", "frames 100000001", "frames 1 2", "frames 0x10"},
         "frames needs one number from 0 to 100000000"},
        {{"\n\ntap 1", "tap 1 40000"}, "tap needs X and Y, each from -32768 to 32767"},
        {{"key nosuchkey", "key 0x100", "key 0x0"},
         "key needs a key name or a code from 0x01 to 0xff"},
        {{"char"}, "char needs a text"},
        // Not UTF-8: a stray byte, a surrogate and an overlong form.
        {{"char \xff", "char \xed\xa0\x80", "char \xc0\xaf"}, "char: the text is not UTF-8"},
        {{"shot"}, "shot needs a file name"},
        {{"quit now"}, "quit takes nothing after it"},
        {{"expect-state two"}, "expect-state needs one number from 0 to 2147483647"}};
    for (const auto& [texts, message] : cases)
        for (const std::string& text : texts) {
            HeadlessScript script;
            std::string error;
            EXPECT_FALSE(ParseHeadlessScript(text, "s", script, error)) << text;
            const auto line = 1 + std::count(text.begin(), text.end(), '\n');
            EXPECT_EQ(error, "s:" + std::to_string(line) + ": " + message);
        }
}

// Scripts name keys as the handheld's virtual-key codes; only the four editing keys also type.
TEST(VirtualKeysTest, NamesAndTheCharactersKeysType) {
    const std::pair<const char*, int> names[] = {
        {"DOWN", 0x28}, {"enter", 0x0D}, {"a", 'A'}, {"Z", 'Z'}, {"0", '0'}, {"f1", 0x70},
        {"F12", 0x7B},  {"f13", 0},      {"f0", 0},  {"f01", 0}, {"", 0},    {"!", 0}};
    for (const auto& [name, key] : names)
        EXPECT_EQ(KeyFromName(name), key) << name;
    for (const std::uint16_t key : {vk::kBackspace, vk::kTab, vk::kEnter, vk::kEscape})
        EXPECT_EQ(ControlCharForKey(key), key);
    EXPECT_EQ(ControlCharForKey(vk::kDown), 0);
    EXPECT_EQ(ControlCharForKey('A'), 0);
}

} // namespace
} // namespace brelvo::platform
