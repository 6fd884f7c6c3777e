#include "payload/work_folder_win.h"

#include <windows.h>
#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "base/procedure_win.h"
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
    static const auto get_temp_path2 =
        find_procedure<GetTempPath2>(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W");
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

unique_handle process_token() {
    unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) token.reset();
    return token;
}

// The SID of the user this process runs as, in its text form ("S-1-5-21-...").
Result<std::wstring> current_user_sid(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<ULONGLONG> user((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    unique_hlocal text;
    if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                                  reinterpret_cast<LPWSTR*>(text.put())))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    return std::wstring(static_cast<const wchar_t*>(text.get()));
}

bool is_elevated(HANDLE token) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

// The folder, created and held in one step: there is no moment in which another name could take
// its place.
Result<unique_hfile> create_held_folder(const std::wstring& path, PSECURITY_DESCRIPTOR security) {
    auto created = open_entry(nullptr, system_path(path),
                              {FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                               FILE_DIRECTORY_FILE, security});
    if (!created.handle) return fail(words::no_folder(render_os_error(created.error)));
    return std::move(created.handle);
}

Status create_tmp(HANDLE folder) {
    const auto created = open_entry(folder, L"tmp",
                                    {FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     FILE_CREATE, FILE_DIRECTORY_FILE});
    if (!created.handle) return fail(words::no_folder(render_os_error(created.error)));
    return {};
}

}  // namespace

HANDLE WorkFolder::handle() const { return hold && hold->handle ? hold->handle.get() : nullptr; }

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
    const unique_handle token = process_token();
    if (!token) return fail(words::no_folder(render_os_error(::GetLastError())));
    auto user = current_user_sid(token.get());
    if (!user) return fail(user.error());
    const std::wstring sddl = work_folder_sddl(user.value(), is_elevated(token.get()));
    unique_hlocal descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl.c_str(), SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr))
        return fail(words::no_folder(render_os_error(::GetLastError())));
    return descriptor;
}

Result<WorkFolder> create_work_folder(std::wstring path) {
    auto descriptor = work_folder_security_descriptor();
    if (!descriptor) return fail(descriptor.error());
    auto held = create_held_folder(path, descriptor.value().get());
    if (!held) return fail(held.error());
    // Nothing of a run that never began is left behind.
    const auto identity = identity_of(held.value().get());
    if (!identity) {
        const DWORD error = ::GetLastError();
        held.value().reset();
        remove_work_folder(WorkFolder{std::move(path)}, 1);
        return fail(words::no_folder(render_os_error(error)));
    }
    WorkFolder folder{std::move(path), std::make_shared<FolderHold>(FolderHold{std::move(held.value()), *identity})};
    if (auto tmp = create_tmp(folder.handle()); !tmp) {
        remove_work_folder(folder, 1);
        return fail(tmp.error());
    }
    return folder;
}

void remove_work_folder(const WorkFolder& folder, int attempts, durations::Duration pause,
                        const std::atomic<bool>* hurry) {
    const FileIdentity* expected = nullptr;
    if (folder.hold) {
        folder.hold->handle.reset();  // the hold shares no deletion
        expected = &folder.hold->identity;
    }
    bool hurried = false;
    for (; attempts > 0; --attempts) {
        const TreeRemoval removal = delete_folder_tree(folder.path, expected);
        if (removal != TreeRemoval::incomplete) return;
        if (!work_folder_exists(folder)) return;
        if (!hurried && hurry != nullptr && *hurry) {
            hurried = true;
            attempts = std::min(attempts, durations::session_remove_attempts);
            pause = std::min(pause, durations::session_remove_pause);
        }
        std::this_thread::sleep_for(pause);
    }
}

bool work_folder_exists(const WorkFolder& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(extended_length_path(folder.path).c_str(), GetFileExInfoStandard, &data) != FALSE;
}

}  // namespace tarven
