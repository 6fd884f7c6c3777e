#include "base/small_file_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>

#include "base/open_entry_win.h"
#include "base/unique_resource_win.h"

namespace tarven {

namespace {

// Full sharing: the writer may hold the file open, rewrite it or delete it meanwhile.
constexpr DWORD full_share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<std::string> read_small(const unique_hfile& file, std::size_t limit) {
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    // One byte more than allowed tells a file that is too long from one that fits exactly.
    std::string content(limit + 1, '\0');
    std::size_t filled = 0;
    while (filled < content.size()) {
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(content.size() - filled, MAXDWORD));
        if (!::ReadFile(file.get(), content.data() + filled, wanted, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        filled += read;
    }
    if (filled > limit) return std::nullopt;
    content.resize(filled);
    return content;
}

}  // namespace

std::optional<std::string> read_small_disk_file(const std::wstring& path, std::size_t limit) {
    return read_small(unique_hfile(::CreateFileW(path.c_str(), GENERIC_READ, full_share, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr)),
                      limit);
}

std::optional<std::string> read_small_disk_file(void* folder, std::wstring_view name, std::size_t limit) {
    if (folder == nullptr) return std::nullopt;
    return read_small(open_entry(folder, name, {GENERIC_READ, full_share, FILE_OPEN, FILE_NON_DIRECTORY_FILE}).handle,
                      limit);
}

}  // namespace tarven
