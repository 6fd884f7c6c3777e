#pragma once
// Deleting a folder with everything in it, without ever leaving it.
#include <windows.h>

#include <string>

#include "base/open_entry_win.h"

namespace tarven {

// The calls that read and change an entry through its handle. Tests put others in their place to
// play a system that answers otherwise (one that knows the extended deletion, a read-only folder).
struct EntryInfoCalls {
    BOOL(WINAPI* get)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) = ::GetFileInformationByHandleEx;
    BOOL(WINAPI* set)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) = ::SetFileInformationByHandle;
};

enum class TreeRemoval {
    complete,        // the folder and everything in it went
    incomplete,      // something stayed; another attempt may take it
    not_the_folder,  // the path names another file now: nothing was touched
};

// Deletes the folder at `full_path` (plain, full and normalised) with everything inside: files,
// nested folders, the folder itself last. Links and junctions are deleted as themselves, never
// followed, also where one is swapped in while the removal runs. With `expected`, only while the
// folder at that path is that very file. Goes on after a failure so that one call takes away all
// it can.
TreeRemoval delete_folder_tree(const std::wstring& full_path, const FileIdentity* expected = nullptr,
                               const EntryInfoCalls& calls = {});

}  // namespace tarven
