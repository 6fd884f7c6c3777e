#include "payload/work_folder_win.h"

#include <windows.h>
#include <sddl.h>

#include <thread>
#include <vector>

#include "base/os_error_win.h"
#include "payload/folder_tree_removal_win.h"
#include "payload/work_folder.h"
#include "words/user_words.h"

namespace tarven {
namespace {

std::uint64_t precise_filetime_now() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

// GetTempPath2W where kernel32 has it (it keeps SYSTEM's temp private), else GetTempPathW;
// normalised once here, since the `\\?\` form of paths in the folder takes them literally.
Result<std::wstring> temp_directory() {
    using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
    static const auto get_temp_path2 = reinterpret_cast<GetTempPath2>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = get_temp_path2 ? get_temp_path2(MAX_PATH + 1, buffer) : ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return fail(words::no_folder(render_os_error(::GetLastError())));
    std::wstring full(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD size = ::GetFullPathNameW(buffer, static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (size == 0) return fail(words::no_folder(render_os_error(::GetLastError())));
        if (size < full.size()) {
            full.resize(size);
            return full;
        }
        full.resize(size);  // the size asked for, terminator included
    }
}

// The SID of the user this process runs as, in its text form ("S-1-5-21-...").
Result<std::wstring> current_user_sid() {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    const unique_handle token(opened);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<ULONGLONG> user((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, user.data(), size, &size))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &text))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    const unique_hlocal owner(text);
    return std::wstring(text);
}

Status create_folder(const std::wstring& path, SECURITY_ATTRIBUTES* security = nullptr) {
    if (!::CreateDirectoryW(path.c_str(), security)) return fail(words::no_folder(render_os_error(::GetLastError())));
    return {};
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

Result<unique_hlocal> work_folder_security_descriptor() {
    auto user = current_user_sid();
    if (!user) return fail(user.error());
    // P: protected, nothing comes from the temp directory; OICI: files and folders inside inherit.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + user.value() + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    return unique_hlocal(descriptor);
}

Result<WorkFolder> create_work_folder(std::wstring path) {
    WorkFolder folder{std::move(path)};
    auto descriptor = work_folder_security_descriptor();
    if (!descriptor) return fail(descriptor.error());
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.value().get(), FALSE};
    if (auto made = create_folder(extended_length_path(folder.path), &security); !made) return fail(made.error());
    if (auto made = create_folder(folder.literal_entry(L"tmp")); !made) return fail(made.error());
    return folder;
}

void remove_work_folder(const WorkFolder& folder, int attempts, durations::Duration pause) {
    for (; attempts > 0; --attempts) {
        if (delete_folder_tree(folder.path)) return;
        if (!work_folder_exists(folder)) return;
        std::this_thread::sleep_for(pause);
    }
}

bool work_folder_exists(const WorkFolder& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(extended_length_path(folder.path).c_str(), GetFileExInfoStandard, &data) != FALSE;
}

}  // namespace tarven
