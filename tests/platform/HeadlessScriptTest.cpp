#include "platform/HeadlessScript.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

namespace brelvo::platform {
namespace {

using Kind = ScriptCommand::Kind;

TEST(HeadlessScriptTest, ParsesEveryCommand) {
    const std::string text = "# a comment\n"
                             "\n"
                             "frames 61\r\n"
                             "  expect-state 1\n"
                             "down 10 -20\n"
                             "move +3 4\n"
                             "up 32767 -32768\n"
                             "tap 1 2\n"
                             "key enter\n"
                             "key 0x5a\n"
                             "keydown F11\n"
                             "keyup z\n"
                             "char Hello, world  \n"
                             "char \xd0\x96\xf0\x9f\x98\x80\n"
                             "shot out dir/a b.png\n"
                             "hide\n"
                             "show\n"
                             "wheel 0 -2\n"
                             "keydown ctrl\n"
                             "close\n"
                             "wait-state 2   # a comment after the command\n"
                             "char a#b c  # typed: a#b c\n"
                             "quit\n";
    HeadlessScript script;
    std::string error;
    ASSERT_TRUE(ParseHeadlessScript(text, "s.txt", script, error)) << error;
    ASSERT_EQ(script.commands.size(), 21u);
    const auto& c = script.commands;
    EXPECT_EQ(c[0].kind, Kind::Frames);
    EXPECT_EQ(c[0].number, 61);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[1].kind, Kind::ExpectState);
    EXPECT_EQ(c[2].kind, Kind::Down);
    EXPECT_EQ(c[2].y, -20);
    EXPECT_EQ(c[3].x, 3);
    EXPECT_EQ(c[4].x, 32767);
    EXPECT_EQ(c[4].y, -32768);
    EXPECT_EQ(c[5].kind, Kind::Tap);
    EXPECT_EQ(c[6].key, vk::kEnter);
    EXPECT_EQ(c[7].key, 0x5A);
    EXPECT_EQ(c[8].kind, Kind::KeyDown);
    EXPECT_EQ(c[8].key, vk::kF11);
    EXPECT_EQ(c[9].key, 'Z');
    // The text keeps its inner and trailing blanks; only the one separator goes.
    EXPECT_EQ(c[10].text, u"Hello, world  ");
    EXPECT_EQ(c[11].text, u"\u0416\U0001F600");
    EXPECT_EQ(c[12].path, "out dir/a b.png");
    EXPECT_EQ(c[13].kind, Kind::Hide);
    EXPECT_EQ(c[14].kind, Kind::Show);
    EXPECT_EQ(c[15].kind, Kind::Wheel);
    EXPECT_EQ(c[15].y, -2);
    EXPECT_EQ(c[16].key, vk::kControl);
    EXPECT_EQ(c[17].kind, Kind::Close);
    EXPECT_EQ(c[18].kind, Kind::WaitState);
    EXPECT_EQ(c[18].number, 2);
    EXPECT_EQ(c[19].text, u"a#b c");
    EXPECT_EQ(c[20].kind, Kind::Quit);
}

TEST(HeadlessScriptTest, RefusesBadLinesWithTheirNumber) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"fram 3", "s:1: unknown command 'fram'"},
        {"frames", "s:1: frames needs one number from 0 to 100000000"},
        {"frames -1", "s:1: frames needs one number from 0 to 100000000"},
        {"frames 100000001", "s:1: frames needs one number from 0 to 100000000"},
        {"frames 1 2", "s:1: frames needs one number from 0 to 100000000"},
        {"frames 0x10", "s:1: frames needs one number from 0 to 100000000"},
        {"\n\ntap 1", "s:3: tap needs X and Y, each from -32768 to 32767"},
        {"move 1 40000", "s:1: move needs X and Y, each from -32768 to 32767"},
        {"key nosuchkey", "s:1: key needs a key name or a code from 0x01 to 0xff"},
        {"key 0x100", "s:1: key needs a key name or a code from 0x01 to 0xff"},
        {"key 0x0", "s:1: key needs a key name or a code from 0x01 to 0xff"},
        {"char", "s:1: char needs a text"},
        {"char \xff", "s:1: char: the text is not UTF-8"},
        {"char \xed\xa0\x80", "s:1: char: the text is not UTF-8"},
        {"char \xc0\xaf", "s:1: char: the text is not UTF-8"}, // overlong
        {"shot", "s:1: shot needs a file name"},
        {"quit now", "s:1: quit takes nothing after it"},
        {"expect-state two", "s:1: expect-state needs one number from 0 to 2147483647"},
    };
    for (const Case& c : cases) {
        HeadlessScript script;
        std::string error;
        EXPECT_FALSE(ParseHeadlessScript(c.text, "s", script, error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(VirtualKeysTest, NamesAndTheCharactersKeysType) {
    struct Case {
        const char* name;
        std::uint16_t key;
        char16_t typed;
    };
    const Case cases[] = {
        {"up", 0x26, 0},
        {"DOWN", 0x28, 0},
        {"left", 0x25, 0},
        {"right", 0x27, 0},
        {"enter", 0x0D, 0x0D},
        {"space", 0x20, 0},
        {"backspace", 0x08, 0x08},
        {"escape", 0x1B, 0x1B},
        {"tab", 0x09, 0x09},
        {"a", 'A', 0},
        {"Z", 'Z', 0},
        {"7", '7', 0},
        {"f1", 0x70, 0},
        {"F12", 0x7B, 0},
        {"f13", 0, 0},
        {"f0", 0, 0},
        {"f01", 0, 0},
        {"", 0, 0},
        {"!", 0, 0},
        {"pagedown", 0x22, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyFromName(c.name), c.key) << c.name;
        if (c.key != 0) {
            EXPECT_EQ(ControlCharForKey(c.key), c.typed) << c.name;
        }
    }
}

} // namespace
} // namespace brelvo::platform
