#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "supervise/command_line.h"

namespace tarven {
namespace {

// How the C runtime and CommandLineToArgvW split the arguments after the program: 2n
// backslashes before a quote give n and the quote toggles quoting; 2n+1 give n and a literal
// quote; other backslashes are literal.
std::vector<std::wstring> split_arguments(std::wstring_view line) {
    std::vector<std::wstring> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
        if (i == line.size()) break;
        std::wstring argument;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument += L'"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, L'\\');
                if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) argument += line[i++];
            }
        }
        out.push_back(argument);
    }
    return out;
}

std::wstring arguments_part(const std::wstring& line, std::wstring_view program) {
    const std::wstring head = L"\"" + std::wstring(program) + L"\"";
    EXPECT_EQ(line.substr(0, head.size()), head);
    return line.substr(head.size());
}

TEST(CommandLine, HelpModeLineIsExact) {
    const std::vector<std::wstring> args{L"get-help", L"--no-browser", L"--port-file", L"C:\\T\\w\\port"};
    EXPECT_EQ(build_command_line(L"C:\\T\\w\\Tarven.exe", args),
              L"\"C:\\T\\w\\Tarven.exe\" get-help --no-browser --port-file C:\\T\\w\\port");
}

TEST(CommandLine, ProgramIsQuotedEvenWithoutBlanksAndPathWithBlankIsQuoted) {
    EXPECT_EQ(build_command_line(L"a.exe", {}), L"\"a.exe\"");
    EXPECT_EQ(build_command_line(L"C:\\My Files\\Tarven.exe", {L"--port-file", L"C:\\My Files\\port"}),
              L"\"C:\\My Files\\Tarven.exe\" --port-file \"C:\\My Files\\port\"");
}

TEST(CommandLine, QuotesOnlyEmptyOrBlankOrTabArguments) {
    EXPECT_EQ(build_command_line(L"p", {L"", L"a b", L"a\tb", L"plain", L"x\\y"}),
              L"\"p\" \"\" \"a b\" \"a\tb\" plain x\\y");
}

TEST(CommandLine, BackslashesAndQuotesRoundTripThroughTheUsualParser) {
    const std::vector<std::wstring> cases{
        L"",         L"a",          L"a b",          L"trailing\\",   L"trail space\\",
        L"two\\\\",  L"two sp\\\\", L"q\"uote",      L"sp \"quote\"", L"\\\"",
        L"\\\\\" x", L"C:\\dir\\",  L"C:\\my dir\\", L"\t",           L"\\\\server\\share x",
        L"\"",       L"a\\\\\\\"b", L"\\",           L"ends quote\"", L"中文 ü"};
    for (const std::wstring& arg : cases) {
        const std::wstring line = build_command_line(L"C:\\p.exe", {arg, L"next"});
        EXPECT_EQ(split_arguments(arguments_part(line, L"C:\\p.exe")), (std::vector<std::wstring>{arg, L"next"}))
            << "line: " << std::string(line.begin(), line.end());
    }
}

TEST(CommandLine, DoublesBackslashesOnlyBeforeQuotes) {
    EXPECT_EQ(build_command_line(L"p", {L"a b\\"}), L"\"p\" \"a b\\\\\"");
    EXPECT_EQ(build_command_line(L"p", {L"a\\b c"}), L"\"p\" \"a\\b c\"");
    EXPECT_EQ(build_command_line(L"p", {L"a\\\"b c"}), L"\"p\" \"a\\\\\\\"b c\"");
}

std::vector<std::wstring> split_block(const std::wstring& block) {
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(block.substr(block.size() - 2), std::wstring(2, L'\0'));
    std::vector<std::wstring> out;
    std::size_t start = 0;
    while (start < block.size() - 1) {
        const std::size_t end = block.find(L'\0', start);
        out.push_back(block.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

TEST(EnvironmentBlock, ReplacesTempVariablesWhateverTheirCase) {
    const std::vector<std::wstring> entries{L"=C:=C:\\x",         L"ALLUSERSPROFILE=C:\\pd", L"Temp=C:\\old",
                                            L"tmp=C:\\old2",      L"TMP=C:\\old3",           L"TeMp=",
                                            L"WINDIR=C:\\windows"};
    EXPECT_EQ(split_block(build_environment_block(entries, L"C:\\w\\tmp")),
              (std::vector<std::wstring>{L"=C:=C:\\x", L"ALLUSERSPROFILE=C:\\pd", L"TEMP=C:\\w\\tmp", L"TMP=C:\\w\\tmp",
                                         L"WINDIR=C:\\windows"}));
}

TEST(EnvironmentBlock, KeepsLookalikesAndHiddenEntries) {
    const std::vector<std::wstring> entries{L"=TEMP=x", L"=::=::\\", L"TEMPDIR=a", L"MYTMP=b", L"TM=c", L"TEMP"};
    const auto out = split_block(build_environment_block(entries, L"D:\\f\\tmp"));
    EXPECT_EQ(out, (std::vector<std::wstring>{L"=TEMP=x", L"=::=::\\", L"TEMP=D:\\f\\tmp", L"TEMPDIR=a", L"MYTMP=b",
                                              L"TM=c", L"TMP=D:\\f\\tmp"}));
}

TEST(EnvironmentBlock, EmptyEnvironmentStillGetsBoth) {
    EXPECT_EQ(build_environment_block({}, L"X"), std::wstring(L"TEMP=X\0TMP=X\0\0", 14));
}

TEST(EnvironmentBlock, NonAsciiLettersDoNotFoldIntoTemp) {
    // U+0130 and U+0131 upper- or lower-case to I/i in some locales; the name comparison is ASCII.
    const std::vector<std::wstring> entries{L"T\u0131MP=keep", L"te\u1E3Fp=keep"};
    const auto out = split_block(build_environment_block(entries, L"f"));
    EXPECT_NE(std::find(out.begin(), out.end(), L"T\u0131MP=keep"), out.end());
    EXPECT_NE(std::find(out.begin(), out.end(), L"te\u1E3Fp=keep"), out.end());
    EXPECT_EQ(out.size(), 4u);
}

}  // namespace
}  // namespace tarven
