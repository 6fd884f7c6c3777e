#pragma once
// Opening a folder's entries by name relative to a handle held on that folder. The name is looked
// up in the folder the handle holds, whatever has become of the path that once led there, and
// taken literally: never a device, never an alias with its trailing dots or blanks dropped. An
// existing entry is opened as itself: a link is not followed.
#include <windows.h>

#include <optional>
#include <string_view>

#include "base/unique_resource_win.h"

namespace tarven {

struct EntryOpen {
    ACCESS_MASK access = 0;
    ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    ULONG disposition = 0;                    // FILE_OPEN or FILE_CREATE (winternl.h)
    ULONG options = 0;                        // FILE_DIRECTORY_FILE, FILE_NON_DIRECTORY_FILE, …
    PSECURITY_DESCRIPTOR security = nullptr;  // for a new entry; null: inherited from the folder
};

struct OpenedEntry {
    unique_hfile handle;
    DWORD error = ERROR_SUCCESS;  // the system's error code for a refused open
};

// `name` relative to the folder held by `folder`. With a null `folder`, `name` is a full path in
// the system's own form ("\??\C:\…"), whose links on the way are followed. Every handle is
// opened for synchronous I/O.
[[nodiscard]] OpenedEntry open_entry(HANDLE folder, std::wstring_view name, const EntryOpen& request);

// What a file is, wherever its names are: the same file through any of its names or handles.
struct FileIdentity {
    ULONGLONG volume = 0;
    FILE_ID_128 id{};
    friend bool operator==(const FileIdentity& a, const FileIdentity& b);
};

[[nodiscard]] std::optional<FileIdentity> identity_of(HANDLE file);

}  // namespace tarven
