#include "base/Options.h"

#include <charconv>
#include <cstdio>

namespace brelvo {

bool ReadArguments(std::span<const OptionSpec> options, const std::vector<std::string>& args,
                   std::vector<Argument>& out, std::string& error) {
    std::vector<Argument> result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            result.push_back({{}, arg});
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const std::string_view name = std::string_view(arg).substr(0, eq);
        const OptionSpec* known = nullptr;
        for (const OptionSpec& s : options)
            if (s.name == name)
                known = &s;
        if (!known) {
            error = "unknown option '" + std::string(name) + "'";
            return false;
        }
        Argument read{known->name, {}};
        if (eq != std::string::npos) {
            if (!known->takesValue) {
                error = std::string(name) + " takes no value";
                return false;
            }
            read.value = arg.substr(eq + 1);
        } else if (known->takesValue) {
            if (i + 1 >= args.size()) {
                error = std::string(name) + " needs a value";
                return false;
            }
            read.value = args[++i];
        }
        result.push_back(std::move(read));
    }
    out = std::move(result);
    return true;
}

bool ReadWholeNumber(std::string_view what, std::string_view text, std::int64_t lo, std::int64_t hi,
                     std::int64_t& out, std::string& error) {
    std::int64_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (ec != std::errc() || end != last || value < lo || value > hi) {
        error = std::string(what) + " needs a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + std::string(text) + "'";
        return false;
    }
    out = value;
    return true;
}

bool ReadNumberList(std::string_view text, char separator, std::int32_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char* last = text.data() + text.size();
        const auto [end, ec] = std::from_chars(text.data(), last, out[i]);
        if (ec != std::errc() || end == text.data())
            return false;
        if (i + 1 == count)
            return end == last;
        if (end == last || *end != separator)
            return false;
        text.remove_prefix(static_cast<std::size_t>(end + 1 - text.data()));
    }
    return count > 0;
}

int UsageError(std::string_view program, std::string_view message) {
    std::fprintf(stderr, "%.*s: %.*s\nTry '%.*s --help'.\n", static_cast<int>(program.size()),
                 program.data(), static_cast<int>(message.size()), message.data(),
                 static_cast<int>(program.size()), program.data());
    return 2;
}

} // namespace brelvo
