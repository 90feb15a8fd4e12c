#include "platform/HeadlessScript.h"
#include "base/WString.h"

#include "platform/VirtualKeys.h"

#include <charconv>
#include <fstream>

namespace brelvo::platform {
namespace {

constexpr std::int64_t kMaxFrames = 100000000;
constexpr std::size_t kMaxScriptBytes = 16u << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits off the first word; rest keeps what follows it, leading blanks removed.
std::string_view FirstWord(std::string_view s, std::string_view& rest) {
    std::size_t end = 0;
    while (end < s.size() && !IsBlank(s[end]))
        ++end;
    rest = Trim(s.substr(end));
    return s.substr(0, end);
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    while (!s.empty()) {
        std::string_view rest;
        words.push_back(FirstWord(s, rest));
        s = rest;
    }
    return words;
}

bool ParseInteger(std::string_view word, std::int64_t low, std::int64_t high, std::int64_t& out) {
    std::int64_t value = 0;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (word.size() > 1 && word[0] == '+')
        ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool ParseKey(std::string_view word, std::uint16_t& key) {
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        unsigned value = 0;
        const char* last = word.data() + word.size();
        const auto [end, ec] = std::from_chars(word.data() + 2, last, value, 16);
        if (ec != std::errc() || end != last || value == 0 || value > 0xFF)
            return false;
        key = static_cast<std::uint16_t>(value);
        return true;
    }
    key = KeyFromName(word);
    return key != 0;
}

struct Named {
    std::string_view word;
    ScriptCommand::Kind kind;
};

constexpr Named kCommands[] = {
    {"frames", ScriptCommand::Kind::Frames},
    {"down", ScriptCommand::Kind::Down},
    {"move", ScriptCommand::Kind::Move},
    {"up", ScriptCommand::Kind::Up},
    {"tap", ScriptCommand::Kind::Tap},
    {"key", ScriptCommand::Kind::Key},
    {"keydown", ScriptCommand::Kind::KeyDown},
    {"keyup", ScriptCommand::Kind::KeyUp},
    {"char", ScriptCommand::Kind::Char},
    {"shot", ScriptCommand::Kind::Shot},
    {"expect-state", ScriptCommand::Kind::ExpectState},
    {"wait-state", ScriptCommand::Kind::WaitState},
    {"hide", ScriptCommand::Kind::Hide},
    {"show", ScriptCommand::Kind::Show},
    {"quit", ScriptCommand::Kind::Quit},
    {"close", ScriptCommand::Kind::Close},
    {"wheel", ScriptCommand::Kind::Wheel},
};

// Parses one line that holds a command; an empty string, or what is wrong with it.
std::string ParseLine(std::string_view line, ScriptCommand& command) {
    std::string_view rest;
    const std::string_view word = FirstWord(line, rest);
    const Named* named = nullptr;
    for (const Named& n : kCommands) {
        if (n.word == word)
            named = &n;
    }
    if (!named)
        return "unknown command '" + std::string(word) + "'";
    command.kind = named->kind;
    using Kind = ScriptCommand::Kind;

    if (command.kind == Kind::Char) {
        // The text is everything after one separating blank, so that it may hold blanks itself.
        const std::string_view text =
            line.substr(word.size() < line.size() ? word.size() + 1 : line.size());
        if (text.empty())
            return "char needs a text";
        bool wellFormed = false;
        command.text = Utf8ToUtf16(text, &wellFormed);
        if (!wellFormed)
            return "char: the text is not UTF-8";
        return {};
    }
    if (command.kind == Kind::Shot) {
        if (rest.empty())
            return "shot needs a file name";
        command.path = std::string(rest);
        return {};
    }

    const std::vector<std::string_view> args = Words(rest);
    switch (command.kind) {
    case Kind::Frames:
    case Kind::ExpectState:
    case Kind::WaitState: {
        const std::int64_t high = command.kind == Kind::Frames ? kMaxFrames : 0x7FFFFFFF;
        if (args.size() != 1 || !ParseInteger(args[0], 0, high, command.number))
            return std::string(word) + " needs one number from 0 to " + std::to_string(high);
        return {};
    }
    case Kind::Down:
    case Kind::Move:
    case Kind::Up:
    case Kind::Tap:
    case Kind::Wheel: {
        std::int64_t x = 0, y = 0;
        if (args.size() != 2 || !ParseInteger(args[0], -32768, 32767, x) ||
            !ParseInteger(args[1], -32768, 32767, y))
            return std::string(word) + " needs X and Y, each from -32768 to 32767";
        command.x = static_cast<std::int32_t>(x);
        command.y = static_cast<std::int32_t>(y);
        return {};
    }
    case Kind::Key:
    case Kind::KeyDown:
    case Kind::KeyUp:
        if (args.size() != 1 || !ParseKey(args[0], command.key))
            return std::string(word) + " needs a key name or a code from 0x01 to 0xff";
        return {};
    case Kind::Hide:
    case Kind::Show:
    case Kind::Quit:
    case Kind::Close:
        if (!args.empty())
            return std::string(word) + " takes nothing after it";
        return {};
    case Kind::Char:
    case Kind::Shot:
        break;
    }
    return "unknown command '" + std::string(word) + "'";
}

} // namespace

bool ParseHeadlessScript(std::string_view text, const std::string& name, HeadlessScript& out,
                         std::string& error) {
    HeadlessScript script;
    script.name = name;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        // Only the ends of a line are trimmed here: a char command keeps its inner blanks.
        while (!line.empty() && (line.back() == '\r'))
            line.remove_suffix(1);
        while (!line.empty() && IsBlank(line.front()))
            line.remove_prefix(1);
        if (Trim(line).empty() || line.front() == '#')
            continue;
        // A '#' after a blank starts a comment that runs to the end of the line; the blanks
        // before it go too.
        for (std::size_t at = 1; at < line.size(); ++at) {
            if (line[at] == '#' && IsBlank(line[at - 1])) {
                line = line.substr(0, at);
                while (!line.empty() && IsBlank(line.back()))
                    line.remove_suffix(1);
                break;
            }
        }
        ScriptCommand command;
        command.line = lineNumber;
        const std::string problem = ParseLine(line, command);
        if (!problem.empty()) {
            error = name + ":" + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
        script.commands.push_back(std::move(command));
    }
    out = std::move(script);
    return true;
}

bool LoadHeadlessScript(const std::string& path, HeadlessScript& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxScriptBytes) {
            error = path + ": a script of more than 16 MiB is refused";
            return false;
        }
    }
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    return ParseHeadlessScript(text, path, out, error);
}

} // namespace brelvo::platform
