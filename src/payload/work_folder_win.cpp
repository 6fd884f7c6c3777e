#include "payload/work_folder_win.h"

#include <windows.h>

#include <thread>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "payload/work_folder.h"

namespace tarven {
namespace {

constexpr std::string_view no_folder = "no folder for Tarven Help: ";

std::uint64_t precise_filetime_now() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

// GetTempPath2W where kernel32 has it (it keeps SYSTEM's temp private), else GetTempPathW.
Result<std::wstring> temp_directory() {
    using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
    static const auto get_temp_path2 = reinterpret_cast<GetTempPath2>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = get_temp_path2 ? get_temp_path2(MAX_PATH + 1, buffer) : ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return fail(std::string(no_folder) + render_os_error(::GetLastError()));
    return std::wstring(buffer, length);
}

Status create_folder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr))
        return fail(std::string(no_folder) + render_os_error(::GetLastError()));
    return {};
}

bool delete_file(const std::wstring& path, DWORD attributes) {
    if (::DeleteFileW(path.c_str())) return true;
    // A read-only file refuses deletion until the attribute is cleared.
    if ((attributes & FILE_ATTRIBUTE_READONLY) && ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return ::DeleteFileW(path.c_str()) != FALSE;
    return false;
}

// Deletes everything inside `folder`, then the folder. A link or junction is removed as itself,
// never followed. Goes on after a failure so that one attempt takes away all it can.
bool delete_tree(const std::wstring& folder) {
    bool all_gone = true;
    WIN32_FIND_DATAW found{};
    const unique_hfind search(
        ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (search) {
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + found.cFileName;
            const DWORD attributes = found.dwFileAttributes;
            const bool is_folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
            bool gone = false;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                gone = is_folder ? ::RemoveDirectoryW(path.c_str()) != FALSE : delete_file(path, attributes);
            else
                gone = is_folder ? delete_tree(path) : delete_file(path, attributes);
            all_gone = all_gone && gone;
        } while (::FindNextFileW(search.get(), &found));
    }
    return ::RemoveDirectoryW(folder.c_str()) && all_gone;
}

}  // namespace

std::wstring WorkFolder::entry(std::wstring_view name) const {
    std::wstring joined = path;
    joined += L'\\';
    joined += name;
    return joined;
}

std::wstring WorkFolder::literal_entry(std::wstring_view name) const {
    std::wstring joined = extended_length_path(path);
    joined += L'\\';
    joined += name;
    return joined;
}

Result<WorkFolder> make_work_folder() {
    const std::uint64_t filetime = precise_filetime_now();
    auto temp = temp_directory();
    if (!temp) return fail(temp.error());
    const std::string name = work_folder_name(::GetCurrentProcessId(), filetime);
    return create_work_folder(temp.value() + std::wstring(name.begin(), name.end()));
}

Result<WorkFolder> create_work_folder(std::wstring path) {
    WorkFolder folder{std::move(path)};
    if (auto made = create_folder(folder.path); !made) return fail(made.error());
    if (auto made = create_folder(folder.entry(L"tmp")); !made) return fail(made.error());
    return folder;
}

void remove_work_folder(const WorkFolder& folder, int attempts, durations::Duration pause) {
    for (; attempts > 0; --attempts) {
        if (delete_tree(folder.path)) return;
        if (!work_folder_exists(folder)) return;
        std::this_thread::sleep_for(pause);
    }
}

bool work_folder_exists(const WorkFolder& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(folder.path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}

}  // namespace tarven
