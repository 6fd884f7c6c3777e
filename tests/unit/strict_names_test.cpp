#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strict_names.h"

namespace tarven::payload_tool {
namespace {

struct Row {
    std::string name;
    bool refused;
};

TEST(StrictNames, RefusesWhatWindowsOrTheLauncherWouldNotKeepAsAFileOfItsOwn) {
    const std::vector<Row> rows = {
        // Devices, with or without an extension, any case; digits 0-9 and superscripts 1-3.
        {"CON", true},
        {"con.txt", true},
        {"Prn.tar.gz", true},
        {"aux", true},
        {"NUL .txt", true},
        {"COM0", true},
        {"com9.log", true},
        {"LPT5", true},
        {"COM\xC2\xB9", true},
        {"lpt\xC2\xB3.x", true},
        {"CONIN$", true},
        {"conout$.txt", true},
        // Not devices: other superscripts, no digit, more letters, a device name inside a longer one.
        {"COM\xE2\x81\xB4", false},
        {"COM", false},
        {"LPT10", false},
        {"CONSOLE", false},
        {"nul-device", false},
        {"x.con", false},
        {"COMA", false},
        // Windows drops a trailing dot or space.
        {"Tarven.exe.", true},
        {"b ", true},
        {"...", true},
        {" lead", false},
        {".hidden", false},
        // Characters Windows refuses, control characters included.
        {"a<b", true},
        {"a>b", true},
        {"a\"b", true},
        {"a|b", true},
        {"what?", true},
        {"a*b", true},
        {"tab\there", true},
        {"\x1F", true},
        {"a\x7F", false},
        {"na\xC3\xAFve.json", false},
        // The launcher's own names, any case; longer names are fine.
        {"tmp", true},
        {"PORT", true},
        {"WebView", true},
        {"webv\xC4\xB1\x65w", true},  // a dotless i is an I to Windows
        {"tmp.txt", false},
        {"port2", false},
        {"Tarven.exe", false},
        // Shaped like a short alias Windows gives a long name: "~" and digits before the extension or the end.
        {"FOO~1.TXT", true},
        {"progra~12", true},
        {"Setup~7.tar", true},
        {"a.b~3.log", true},
        {"~1", true},
        {"x.~9", true},
        {"FOO~.TXT", false},
        {"FOO~1A.TXT", false},
        {"~", false},
        {"FOO~1.TXT.bak", false},
    };
    for (const Row& row : rows) EXPECT_EQ(strict_name_refusal(row.name).has_value(), row.refused) << row.name;
}

}  // namespace
}  // namespace tarven::payload_tool
