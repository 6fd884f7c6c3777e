// How the removal stays inside the folder. Each folder is opened as itself (a link is not
// followed) and held without delete sharing, so that it cannot be renamed or replaced while its
// entries are listed (through that handle) and deleted. It is entered only when the handle shows
// a folder, no reparse point, and a final place (volume and path, every link resolved) that is
// the parent's plus the entry's name: a link that the attributes do not reveal (Wine reports none
// on a handle) resolves elsewhere. The folder itself is checked the same way, against the folder
// it sits in (the temp directory, which may lie behind a junction of the user's own: that one is
// followed). Entries go by their `\\?\` path inside a held folder; a folder itself once its own
// handle is let go, with its parent still held.
#include "payload/folder_tree_removal_win.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "base/unique_resource_win.h"
#include "payload/work_folder.h"

namespace tarven {
namespace {

struct Entry {
    std::wstring name;
    DWORD attributes = 0;
};

unique_hfile open_as_itself(const std::wstring& path) {
    return unique_hfile(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Where a handle's file really is, every link on the way resolved: its volume and its path on
// that volume. (GetFinalPathNameByHandleW says the same, but Wine's fails on paths longer than
// MAX_PATH, which would leave every deep tree behind.)
struct FinalPlace {
    DWORD volume = 0;
    std::wstring path;
};

std::optional<FinalPlace> final_place_of(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION file{};
    if (!::GetFileInformationByHandle(handle, &file)) return std::nullopt;
    std::vector<ULONGLONG> buffer(8 * 1024);  // 64 KiB: as long as a path can be
    if (!::GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(ULONGLONG))))
        return std::nullopt;
    const auto& name = *reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
    return FinalPlace{file.dwVolumeSerialNumber, std::wstring(name.FileName, name.FileNameLength / sizeof(wchar_t))};
}

// A folder being emptied: its held handle, its `\\?\` path, where it really is, and what it held.
struct OpenFolder {
    unique_hfile handle;
    std::wstring path;
    FinalPlace place;
    std::vector<Entry> entries;
    std::size_t next = 0;
    bool all_gone = true;
};

std::wstring joined(std::wstring folder, std::wstring_view name) {
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();  // a drive's root
    folder += L'\\';
    folder += name;
    return folder;
}

// `place` is `parent` plus `name`: the same volume, and the path named so on it.
bool is_entry_of(const FinalPlace& place, const FinalPlace& parent, std::wstring_view name) {
    const std::wstring expected = joined(parent.path, name);
    return place.volume == parent.volume &&
           ::CompareStringOrdinal(place.path.c_str(), static_cast<int>(place.path.size()), expected.c_str(),
                                  static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// Where the folder that holds `path` really is (the temp directory, followed through any link).
std::optional<FinalPlace> parent_place(const std::wstring& path) {
    std::wstring parent = path.substr(0, path.find_last_of(L'\\') + 1);
    if (!parent.ends_with(L":\\")) parent.pop_back();  // "C:\" stays the root folder, not the volume
    const unique_hfile opened(::CreateFileW(extended_length_path(parent).c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened) return std::nullopt;
    return final_place_of(opened.get());
}

// Every entry of the held folder, read through its handle. False when the listing broke off.
bool list_entries(HANDLE folder, std::vector<Entry>& entries) {
    std::vector<ULONGLONG> buffer(8 * 1024);  // 64 KiB, aligned for the records
    const auto bytes = static_cast<DWORD>(buffer.size() * sizeof(ULONGLONG));
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;; kind = FileFullDirectoryInfo) {
        if (!::GetFileInformationByHandleEx(folder, kind, buffer.data(), bytes))
            return ::GetLastError() == ERROR_NO_MORE_FILES;
        for (auto* record = reinterpret_cast<const unsigned char*>(buffer.data());;) {
            const auto& info = *reinterpret_cast<const FILE_FULL_DIR_INFO*>(record);
            const std::wstring_view name(info.FileName, info.FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back(Entry{std::wstring(name), info.FileAttributes});
            if (info.NextEntryOffset == 0) break;
            record += info.NextEntryOffset;
        }
    }
}

bool delete_file(const std::wstring& path, DWORD attributes) {
    if (::DeleteFileW(path.c_str())) return true;
    // A read-only file refuses deletion until the attribute is cleared.
    if ((attributes & FILE_ATTRIBUTE_READONLY) && ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return ::DeleteFileW(path.c_str()) != FALSE;
    return false;
}

// A link or junction goes as itself: RemoveDirectoryW and DeleteFileW do not follow it.
bool delete_link(const std::wstring& path, DWORD attributes) {
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? ::RemoveDirectoryW(path.c_str()) != FALSE
                                                 : delete_file(path, attributes);
}

// The folder at `path`, opened and checked, ready to be emptied; nothing when the entry was dealt
// with otherwise (a link or a file, deleted as itself) or could not be opened. `gone` says whether
// such an entry went.
std::optional<OpenFolder> enter(const std::wstring& path, const FinalPlace& parent, std::wstring_view name,
                                DWORD attributes, bool& gone) {
    gone = false;
    unique_hfile handle = open_as_itself(path);
    if (!handle) return std::nullopt;
    FILE_ATTRIBUTE_TAG_INFO now{};
    if (!::GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &now, sizeof now)) return std::nullopt;
    auto place = final_place_of(handle.get());
    if (!place) return std::nullopt;
    const bool is_folder = now.FileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    const bool is_link = (now.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !is_entry_of(*place, parent, name);
    if (is_folder && !is_link) {
        OpenFolder folder{std::move(handle), path, std::move(*place), {}, 0, true};
        folder.all_gone = list_entries(folder.handle.get(), folder.entries);
        return folder;
    }
    handle.reset();
    gone = is_link ? delete_link(path, now.FileAttributes | (attributes & FILE_ATTRIBUTE_DIRECTORY))
                   : delete_file(path, now.FileAttributes);
    return std::nullopt;
}

// Lets go of the emptied folder and deletes it. Its parent is still held; should the folder have
// been swapped for a link in between, RemoveDirectoryW deletes the link, not what it points to.
bool delete_emptied_folder(OpenFolder& folder) {
    folder.handle.reset();
    return folder.all_gone && ::RemoveDirectoryW(folder.path.c_str());
}

}  // namespace

// Depth first, with a stack of its own: the tree can be as deep as a `\\?\` path allows.
bool delete_folder_tree(const std::wstring& full_path) {
    const auto parent = parent_place(full_path);
    if (!parent) return false;
    const std::wstring_view name = std::wstring_view(full_path).substr(full_path.find_last_of(L'\\') + 1);
    std::vector<OpenFolder> open;
    bool gone = false;
    if (auto root = enter(extended_length_path(full_path), *parent, name, FILE_ATTRIBUTE_DIRECTORY, gone))
        open.push_back(std::move(*root));
    else
        return gone;
    for (;;) {
        OpenFolder& folder = open.back();
        if (folder.next == folder.entries.size()) {
            const bool folder_gone = delete_emptied_folder(folder);
            open.pop_back();
            if (open.empty()) return folder_gone;
            open.back().all_gone = open.back().all_gone && folder_gone;
            continue;
        }
        const Entry& entry = folder.entries[folder.next++];
        const std::wstring path = joined(folder.path, entry.name);
        if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            folder.all_gone = delete_link(path, entry.attributes) && folder.all_gone;
        } else if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            folder.all_gone = delete_file(path, entry.attributes) && folder.all_gone;
        } else if (auto inner = enter(path, folder.place, entry.name, entry.attributes, gone)) {
            open.push_back(std::move(*inner));  // `folder` is not used past this point
        } else {
            folder.all_gone = gone && folder.all_gone;
        }
    }
}

}  // namespace tarven
