#include "process_support_win.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "process_facts_win.h"
#include "test_paths_win.h"

namespace tarven::test {

namespace {

std::wstring temp_directory() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path(buffer, length);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

bool remove_tree_once(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    {
        const unique_hfind find(::FindFirstFileW((path + L"\\*").c_str(), &found));
        if (find) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = path + L'\\' + name;
                const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                    (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
                if (folder) {
                    remove_tree_once(child);
                } else {
                    ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileW(child.c_str());
                }
            } while (::FindNextFileW(find.get(), &found));
        }
    }
    return ::RemoveDirectoryW(path.c_str()) || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string unix_path(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto to_unix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (to_unix == nullptr) return {};
    char* unix = to_unix(path.c_str());
    std::string text = unix != nullptr ? unix : "";
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return text;
}

// Wine starts a Unix program given by its path on the Z: drive; `done` tells when it has done its
// work (its process handle says nothing reliable).
void run_unix(const std::vector<std::string>& words, const std::function<bool()>& done) {
    std::wstring command_line;
    for (const std::string& word : words) command_line += L"\"" + widen(word) + L"\" ";
    const std::wstring program = L"Z:" + widen(words.front());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started))
        return;
    const unique_handle process(started.hProcess), thread(started.hThread);
    poll_until(done, std::chrono::seconds(10));
}

}  // namespace

SymbolicLink::SymbolicLink(std::wstring link, const std::wstring& target, To kind)
    : link_(std::move(link)), kind_(kind) {
    const DWORD flags =
        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (kind == To::folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    if (::CreateSymbolicLinkW(link_.c_str(), target.c_str(), flags) && exists()) return;
    unix_ = true;
    run_unix({"/bin/ln", "-s", unix_path(target), unix_path(link_)}, [this] { return exists(); });
}

SymbolicLink::~SymbolicLink() {
    if (!exists()) return;
    // RemoveDirectoryW takes a link to a folder as itself, under Wine too.
    if (kind_ == To::folder && ::RemoveDirectoryW(link_.c_str())) return;
    if (unix_)
        run_unix({"/bin/rm", "-f", unix_path(link_)}, [this] { return !exists(); });
    else
        ::DeleteFileW(link_.c_str());
}

bool SymbolicLink::exists() const { return ::GetFileAttributesW(link_.c_str()) != INVALID_FILE_ATTRIBUTES; }

ScratchFolder::ScratchFolder(std::wstring_view hint) {
    static std::atomic<unsigned> counter{0};
    path_ = temp_directory() + L"\\tarven-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++) + std::wstring(hint);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { remove_folder_tree(path_); }

bool remove_folder_tree(const std::wstring& path) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (remove_tree_once(path)) return true;
        ::Sleep(100);
    }
    return false;
}

std::optional<std::string> wait_for_file(const std::wstring& path, std::chrono::milliseconds limit) {
    std::optional<std::string> content;
    poll_until([&] { return (content = read_file_bytes(path)).has_value(); }, limit);
    return content;
}

bool process_alive(DWORD pid) {
    const unique_handle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false;
    return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void end_process(DWORD pid) {
    const unique_handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 10000);
}

std::optional<std::wstring> environment_value(const std::wstring& name) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring();
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

EnvironmentOverride::EnvironmentOverride(std::wstring name, std::optional<std::wstring> value)
    : name_(std::move(name)), old_(environment_value(name_)) {
    ::SetEnvironmentVariableW(name_.c_str(), value ? value->c_str() : nullptr);
}

EnvironmentOverride::~EnvironmentOverride() {
    ::SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

std::vector<std::string> environment_entries_utf8() {
    std::vector<std::string> entries;
    const unique_environment_strings block(::GetEnvironmentStringsW());
    if (!block) return entries;
    for (const wchar_t* entry = block.get(); *entry != L'\0';) {
        const std::wstring_view text(entry);
        entries.push_back(narrow_lossy(text));
        entry += text.size() + 1;
    }
    return entries;
}

std::string std_handle_kind(DWORD which) { return fixture::std_handle_kind(which); }

HandleProbe::HandleProbe() {
    static std::atomic<int> count{0};
    const std::wstring name = L"tarven-handle-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(++count);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    event_.reset(::CreateEventW(&inheritable, TRUE, FALSE, name.c_str()));
    if (!event_) throw std::runtime_error("cannot make the probe's event");
    const auto value = reinterpret_cast<std::uintptr_t>(event_.get());
    variable_.emplace(L"TARVEN_HANDLE_PROBE", std::to_wstring(value) + L" " + name);
}

std::optional<StandinRecord> parse_standin_record(std::string_view text) {
    StandinRecord record;
    bool has_pid = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // the stand-in ends every line
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, colon);
        const std::string value(line.substr(colon + 2));
        const auto number = [&] { return static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10)); };
        if (key.substr(0, 4) == "arg ") {
            if (std::to_string(record.args.size()) != key.substr(4)) return std::nullopt;
            record.args.push_back(value);
        } else if (key == "cmdline") {
            record.command_line = value;
        } else if (key == "cwd") {
            record.cwd = value;
        } else if (key == "pid") {
            record.pid = number();
            has_pid = true;
        } else if (key == "stdin") {
            record.std_input = value;
        } else if (key == "stdout") {
            record.std_output = value;
        } else if (key == "stderr") {
            record.std_error = value;
        } else if (key == "env") {
            record.env.push_back(value);
        } else if (key == "child") {
            record.child = number();
        } else if (key == "probe") {
            record.probe = value;
        } else {
            return std::nullopt;
        }
    }
    if (!has_pid) return std::nullopt;
    return record;
}

bool place_standin(const std::wstring& folder) {
    return ::CopyFileW(standin_exe().c_str(), (folder + L"\\Tarven.exe").c_str(), FALSE) != 0;
}

}  // namespace tarven::test
