#pragma once
#include <string>

#include "base/durations.h"
#include "base/result.h"
#include "base/unique_resource_win.h"

namespace tarven {

struct WorkFolder {
    std::wstring path;  // full path, no trailing backslash

    // <folder>\<name>
    std::wstring entry(std::wstring_view name) const;

    // The same in `\\?\` form, for the launcher's own file operations: the name is taken
    // literally (never a device, never an alias with its trailing dots or blanks dropped).
    std::wstring literal_entry(std::wstring_view name) const;
};

Result<WorkFolder> make_work_folder();

// What a new work folder is created with, instead of the temp directory's rights (a shared
// C:\Temp lets every user in): full control for the current user, SYSTEM and Administrators
// only, inherited by everything inside.
Result<unique_hlocal> work_folder_security_descriptor();

// Creates the folder at `path` (full and normalised; one level, no existence test first) with
// that descriptor, and its tmp.
Result<WorkFolder> create_work_folder(std::wstring path);

// Deletes the folder with everything in it, links as themselves; retries, then gives up quietly.
void remove_work_folder(const WorkFolder& folder, int attempts = durations::remove_attempts,
                        durations::Duration pause = durations::remove_pause);

// Whether the folder's metadata can be read.
bool work_folder_exists(const WorkFolder& folder);

}  // namespace tarven
