#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brelvo {

// The command-line reading that the program and its tools share, so that all of them accept
// the same forms and say the same thing about the same mistake.
//
// An option is named with its dashes ("--root", "-h"). One that takes a value accepts it both
// as "--root=DIR" and as "--root DIR". Anything that does not start with '-' is an operand, as
// are "-" (standard input by custom) and every argument after "--".
struct OptionSpec {
    std::string_view name;
    bool takesValue = false;
};

// One argument as read: an option with its value (empty for a flag), or an operand (option
// empty, the text in value). Options and operands keep the order they were given in, because
// some tools let an option apply to what follows it.
struct Argument {
    std::string_view option;
    std::string value;

    bool Is(std::string_view name) const { return option == name; }
    bool IsOperand() const { return option.empty(); }
};

// Reads args (the arguments after the program's name) against options. False with a one-line
// message in error for an unknown option, a missing value or a value given to a flag.
bool ReadArguments(std::span<const OptionSpec> options, const std::vector<std::string>& args,
                   std::vector<Argument>& out, std::string& error);

// Reads text as a whole number from lo to hi, nothing before or after it. False with the
// message "WHAT needs a whole number from LO to HI, not 'TEXT'" in error otherwise.
bool ReadWholeNumber(std::string_view what, std::string_view text, std::int64_t lo, std::int64_t hi,
                     std::int64_t& out, std::string& error);

template <typename Int>
bool ReadWholeNumber(std::string_view what, std::string_view text, std::int64_t lo, std::int64_t hi,
                     Int& out, std::string& error) {
    std::int64_t value = 0;
    if (!ReadWholeNumber(what, text, lo, hi, value, error))
        return false;
    out = static_cast<Int>(value);
    return true;
}

// Says a usage mistake the one way all our programs say it, on standard error:
// "PROGRAM: MESSAGE" and "Try 'PROGRAM --help'.", and gives the exit status for it, 2.
// Reads exactly count whole numbers separated by single separator characters, as in
// "0,4095,0,4095" or "240x320x16". False for anything else.
bool ReadNumberList(std::string_view text, char separator, std::int32_t* out, std::size_t count);

int UsageError(std::string_view program, std::string_view message);

} // namespace brelvo
