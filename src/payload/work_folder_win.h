#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "base/durations.h"
#include "base/open_entry_win.h"
#include "base/result.h"
#include "base/unique_resource_win.h"

namespace tarven {

// The work folder held open from its creation to its removal. The handle shares no deletion, so
// nobody can rename, replace or delete the folder while the run uses it; it carries no DELETE
// access itself (a folder held so could not be a started program's working directory).
struct FolderHold {
    unique_hfile handle;
    FileIdentity identity;
};

struct WorkFolder {
    WorkFolder() = default;
    explicit WorkFolder(std::wstring full_path, std::shared_ptr<FolderHold> held = nullptr)
        : path(std::move(full_path)), hold(std::move(held)) {}

    std::wstring path;  // full path, no trailing backslash
    // Shared by the run's owner and the starter's steps, which use it only inside the starter's
    // gate: every ending closes the gate before the removal lets go of the hold. Empty for a
    // folder known only by its path.
    std::shared_ptr<FolderHold> hold;

    // The held folder's handle, for the launcher's own entries in it; null once let go of.
    HANDLE handle() const;

    // <folder>\<name>, for what goes to others (the application, the web view).
    std::wstring entry(std::wstring_view name) const;

    // The same in `\\?\` form: the name is taken literally (never a device, never an alias with
    // its trailing dots or blanks dropped).
    std::wstring literal_entry(std::wstring_view name) const;
};

Result<WorkFolder> make_work_folder();

// The descriptor of `work_folder_sddl` for the user this process runs as, with the high
// integrity level when the process is elevated.
Result<unique_hlocal> work_folder_security_descriptor();

// Creates the folder at `path` (full and normalised; one level, no existence test first) with
// that descriptor, holds it, and creates its tmp.
Result<WorkFolder> create_work_folder(std::wstring path);

// Lets go of the hold and deletes the folder with everything in it, links as themselves, but only
// while it is the folder that was made (no longer the same one: left alone); retries, then gives
// up quietly. Once `hurry` holds, the attempts left are the session's: fewer, with short pauses.
void remove_work_folder(const WorkFolder& folder, int attempts = durations::remove_attempts,
                        durations::Duration pause = durations::remove_pause, const std::atomic<bool>* hurry = nullptr);

// Whether the folder's metadata can be read.
bool work_folder_exists(const WorkFolder& folder);

}  // namespace tarven
