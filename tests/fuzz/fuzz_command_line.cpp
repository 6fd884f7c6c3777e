// Builds a command line from an arbitrary program path and arguments: the usual parser rules
// (CommandLineToArgvW, the C runtime) read back exactly the program and the arguments.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "supervise/command_line.h"

using tarven::fuzz::require;

namespace {

bool is_blank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program: up to the closing quote when it begins with one, else up to the first blank.
std::wstring_view read_program(std::wstring_view& line) {
    std::size_t end = 0;
    std::wstring_view program;
    if (!line.empty() && line.front() == L'"') {
        end = line.find(L'"', 1);
        if (end == std::wstring_view::npos) end = line.size();
        program = line.substr(1, end - 1);
        end = end == line.size() ? end : end + 1;
    } else {
        while (end < line.size() && !is_blank(line[end])) ++end;
        program = line.substr(0, end);
    }
    line.remove_prefix(end);
    return program;
}

// One argument by the rules for backslashes and quotes: 2n backslashes and a quote give n
// backslashes and toggle quoting, 2n+1 give n and a literal quote; inside quotes "" is a quote.
std::wstring read_argument(std::wstring_view& line) {
    std::wstring argument;
    bool quoted = false;
    while (!line.empty() && (quoted || !is_blank(line.front()))) {
        std::size_t backslashes = 0;
        while (backslashes < line.size() && line[backslashes] == L'\\') ++backslashes;
        if (backslashes < line.size() && line[backslashes] == L'"') {
            argument.append(backslashes / 2, L'\\');
            line.remove_prefix(backslashes + 1);
            if (backslashes % 2 == 1) {
                argument += L'"';
            } else if (quoted && !line.empty() && line.front() == L'"') {
                argument += L'"';
                line.remove_prefix(1);
            } else {
                quoted = !quoted;
            }
        } else if (backslashes > 0) {
            argument.append(backslashes, L'\\');
            line.remove_prefix(backslashes);
        } else {
            argument += line.front();
            line.remove_prefix(1);
        }
    }
    return argument;
}

std::vector<std::wstring> parse_command_line(std::wstring_view line) {
    std::vector<std::wstring> words{std::wstring(read_program(line))};
    for (;;) {
        while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
        if (line.empty()) return words;
        words.push_back(read_argument(line));
    }
}

// UTF-16 code units without NUL, which no command line can hold; `banned` is left out too.
std::wstring take_text(FuzzedDataProvider& input, wchar_t banned) {
    std::wstring text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 64);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        const auto unit = static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
        if (unit != L'\0' && unit != banned) text += unit;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // A path holds no quote.
    const std::wstring program = take_text(input, L'"');
    std::vector<std::wstring> arguments;
    while (input.remaining_bytes() > 0) arguments.push_back(take_text(input, L'\0'));

    const std::wstring line = tarven::build_command_line(program, arguments);
    std::vector<std::wstring> expected{program};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    require(parse_command_line(line) == expected);
    return 0;
}
