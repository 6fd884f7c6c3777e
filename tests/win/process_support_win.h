#pragma once
// Windows test helpers around folders, files, processes and the stand-in application.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_bytes_win.h"
#include "polling.h"
#include "base/unique_resource_win.h"

namespace tarven::test {

// A new, empty folder under the temporary directory, removed with its content at the end.
// `hint` becomes part of its name (so it may hold a blank, say).
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring_view hint = L"");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring entry(std::wstring_view name) const { return path_ + L'\\' + std::wstring(name); }

private:
    std::wstring path_;
};

// Deletes a folder and everything in it; a few tries, since ended processes let go of their
// files a moment later. Says whether the folder is gone.
bool remove_folder_tree(const std::wstring& path);

// A symbolic link, as another user could plant one: the system's own where Windows makes one;
// under Wine (whose CreateSymbolicLinkW makes nothing) a Unix symbolic link, which Wine shows as
// a reparse point in listings but follows on a handle. Deleted as itself at the end, whoever
// left it (Wine's DeleteFileW would delete a Unix link's target instead). Its target must exist.
class SymbolicLink {
public:
    enum class To { file, folder };
    SymbolicLink(std::wstring link, const std::wstring& target, To kind);
    ~SymbolicLink();
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;

    bool exists() const;

private:
    std::wstring link_;
    To kind_;
    bool unix_ = false;
};

// The file's content once it exists, or nothing after `limit`.
std::optional<std::string> wait_for_file(const std::wstring& path,
                                         std::chrono::milliseconds limit = std::chrono::seconds(20));

bool process_alive(DWORD pid);

// Ends a process by id if it still runs (for tidying up after a failed test).
void end_process(DWORD pid);

// Sets (or, with nothing, removes) a variable of this process and puts the old state back.
class EnvironmentOverride {
public:
    EnvironmentOverride(std::wstring name, std::optional<std::wstring> value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

std::optional<std::wstring> environment_value(const std::wstring& name);

// This process's environment block, one "NAME=value" per entry, as UTF-8.
std::vector<std::string> environment_entries_utf8();

// "none", "disk", "char", "pipe" or "unknown": what the stand-in records for a standard handle.
std::string std_handle_kind(DWORD which);

// What the stand-in wrote into the file named by TARVEN_STANDIN_RECORD.
struct StandinRecord {
    std::vector<std::string> args;  // args[0] is the program as its command line gave it
    std::string command_line;
    std::string cwd;
    DWORD pid = 0;
    std::string std_input, std_output, std_error;
    std::vector<std::string> env;  // "NAME=value", in the order of its block
    std::optional<DWORD> child;
    std::string probe;  // what became of a HandleProbe's event; empty without one
};

// An inheritable event that the launcher holds and must not pass on: its handle value and name
// go to the stand-ins in TARVEN_HANDLE_PROBE, and their record says whether they got it.
class HandleProbe {
public:
    HandleProbe();
    HandleProbe(const HandleProbe&) = delete;
    HandleProbe& operator=(const HandleProbe&) = delete;

private:
    unique_handle event_;
    std::optional<EnvironmentOverride> variable_;
};

std::optional<StandinRecord> parse_standin_record(std::string_view text);

// Copies the stand-in into `folder` as Tarven.exe.
bool place_standin(const std::wstring& folder);

}  // namespace tarven::test
