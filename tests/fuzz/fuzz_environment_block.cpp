// Builds the application's environment block from arbitrary entries: one TEMP and one TMP with
// the folder, every other entry kept in its order, NUL separators and a final double NUL.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "supervise/command_line.h"

using tarven::fuzz::require;

namespace {

std::wstring take_text(FuzzedDataProvider& input) {
    std::wstring text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        // Mostly the characters that matter here, so that TEMP and TMP turn up often.
        static constexpr std::wstring_view common = L"=TEMPtempX\\:";
        const auto unit = input.ConsumeBool() ? common[input.ConsumeIntegralInRange<std::size_t>(0, common.size() - 1)]
                                              : static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
        if (unit != L'\0') text += unit;
    }
    return text;
}

bool is_temp_entry(std::wstring_view entry) {
    std::wstring name(entry.substr(0, entry.find(L'=', 1)));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; });
    return name == L"TEMP" || name == L"TMP";
}

std::vector<std::wstring> split_block(std::wstring_view block) {
    require(block.size() >= 2 && block.substr(block.size() - 2) == std::wstring_view(L"\0\0", 2));
    block.remove_suffix(1);
    std::vector<std::wstring> entries;
    while (!block.empty()) {
        const std::size_t end = block.find(L'\0');
        entries.emplace_back(block.substr(0, end));
        block.remove_prefix(end + 1);
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring folder = take_text(input);
    std::vector<std::wstring> entries;
    while (input.remaining_bytes() > 0) entries.push_back(take_text(input));

    const std::vector<std::wstring> block = split_block(tarven::build_environment_block(entries, folder));

    std::vector<std::wstring> others;
    int temps = 0;
    for (const std::wstring& entry : block) {
        require(!entry.empty());
        if (entry == L"TEMP=" + folder || entry == L"TMP=" + folder)
            ++temps;
        else
            others.push_back(entry);
        require(!is_temp_entry(entry) || entry == L"TEMP=" + folder || entry == L"TMP=" + folder);
    }
    require(temps == 2);
    std::vector<std::wstring> kept;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(kept),
                 [](const std::wstring& e) { return !e.empty() && !is_temp_entry(e); });
    require(others == kept);
    return 0;
}
