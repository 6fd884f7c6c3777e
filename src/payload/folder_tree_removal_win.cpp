// How the removal stays inside the folder. Every entry is opened relative to the held handle of
// the folder it was listed in, as itself (a link is not followed), and held without delete
// sharing, so that it cannot be renamed or replaced while it is looked at, listed and deleted
// through that same handle. An entry is touched only when its handle shows a final place (volume
// and path, every link resolved) that is its folder's plus its name: a link that the attributes do
// not reveal (Wine reports none on a handle) resolves elsewhere and is left, and its folder with
// it. The folder itself is checked the same way against the folder it sits in (the temp
// directory, which may lie behind a junction of the user's own: that one is followed).
#include "payload/folder_tree_removal_win.h"

#include <winternl.h>

#include <optional>
#include <vector>

#include "base/unique_resource_win.h"
#include "payload/work_folder.h"

namespace tarven {
namespace {

// FileDispositionInfoEx, which the headers name only for newer targets (Windows 10 1607 and later).
constexpr auto file_disposition_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// Enough to tell what an entry is and where, to clear its read-only attribute and to delete it.
constexpr ACCESS_MASK removal_access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
constexpr ULONG removal_share = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct Entry {
    std::wstring name;
    DWORD attributes = 0;  // as listed: a hint for how to open it, never trusted
};

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

// A folder being emptied: its held handle, where it really is, and what it held.
struct OpenFolder {
    unique_hfile handle;
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

bool same_path(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// `place` is `parent` plus `name`: the same volume, and the path named so on it. Wine reports a
// name without its trailing dots and blanks; read so, it still names an entry of the same folder.
bool is_entry_of(const FinalPlace& place, const FinalPlace& parent, std::wstring_view name) {
    if (place.volume != parent.volume) return false;
    if (same_path(place.path, joined(parent.path, name))) return true;
    const std::size_t kept = name.find_last_not_of(L". ");
    return kept != std::wstring_view::npos && kept + 1 < name.size() &&
           same_path(place.path, joined(parent.path, name.substr(0, kept + 1)));
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

// Deletes the entry that the handle holds (a link as itself). The extended form takes the name
// away at once and ignores a read-only attribute; where the system refuses it (before Windows 10
// 1809, and Wine), the attribute is cleared on the handle and the plain form marks the entry, whose
// name goes when the handle closes.
bool delete_by_handle(HANDLE entry, const EntryInfoCalls& calls) {
    FILE_DISPOSITION_INFO_EX extended{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                                      FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE};
    if (calls.set(entry, file_disposition_info_ex, &extended, sizeof extended)) return true;
    FILE_BASIC_INFO basic{};
    if (calls.get(entry, FileBasicInfo, &basic, sizeof basic) && (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        FILE_BASIC_INFO cleared{};  // times of zero stay as they are
        cleared.FileAttributes = basic.FileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
        if (cleared.FileAttributes == 0) cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        (void)calls.set(entry, FileBasicInfo, &cleared, sizeof cleared);
    }
    FILE_DISPOSITION_INFO plain{TRUE};
    return calls.set(entry, FileDispositionInfo, &plain, sizeof plain) != FALSE;
}

// What became of one entry: it went, it stayed, or it is a folder, now held and listed, to be
// emptied before it goes.
struct Visit {
    bool gone = false;
    std::optional<OpenFolder> folder;
};

Visit visit(OpenedEntry opened, const FinalPlace& parent, std::wstring_view name, const EntryInfoCalls& calls) {
    if (!opened.handle) return {};
    const HANDLE handle = opened.handle.get();
    FILE_ATTRIBUTE_TAG_INFO now{};
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &now, sizeof now)) return {};
    auto place = final_place_of(handle);
    if (!place || !is_entry_of(*place, parent, name)) return {};
    const bool is_link = now.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if ((now.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !is_link) {
        OpenFolder folder{std::move(opened.handle), std::move(*place), {}, 0, true};
        folder.all_gone = list_entries(folder.handle.get(), folder.entries);
        return {false, std::move(folder)};
    }
    return {delete_by_handle(handle, calls), std::nullopt};
}

}  // namespace

// Depth first, with a stack of its own: the tree can be as deep as a path allows.
TreeRemoval delete_folder_tree(const std::wstring& full_path, const FileIdentity* expected,
                               const EntryInfoCalls& calls) {
    const auto parent = parent_place(full_path);
    if (!parent) return TreeRemoval::incomplete;
    const std::wstring_view name = std::wstring_view(full_path).substr(full_path.find_last_of(L'\\') + 1);
    OpenedEntry root = open_entry(nullptr, system_path(full_path),
                                  {removal_access | FILE_LIST_DIRECTORY, removal_share, FILE_OPEN, 0});
    if (expected != nullptr && root.handle && identity_of(root.handle.get()) != *expected)
        return TreeRemoval::not_the_folder;
    Visit first = visit(std::move(root), *parent, name, calls);
    if (!first.folder) return first.gone ? TreeRemoval::complete : TreeRemoval::incomplete;
    std::vector<OpenFolder> open;
    open.push_back(std::move(*first.folder));
    for (;;) {
        OpenFolder& folder = open.back();
        if (folder.next == folder.entries.size()) {
            const bool folder_gone = folder.all_gone && delete_by_handle(folder.handle.get(), calls);
            open.pop_back();  // its handle closes: the plain form's deletion happens now
            if (open.empty()) return folder_gone ? TreeRemoval::complete : TreeRemoval::incomplete;
            open.back().all_gone = open.back().all_gone && folder_gone;
            continue;
        }
        const Entry& entry = folder.entries[folder.next++];
        const ACCESS_MASK access =
            removal_access | (entry.attributes & FILE_ATTRIBUTE_DIRECTORY ? FILE_LIST_DIRECTORY : 0);
        Visit inner = visit(open_entry(folder.handle.get(), entry.name, {access, removal_share, FILE_OPEN, 0}),
                            folder.place, entry.name, calls);
        if (inner.folder)
            open.push_back(std::move(*inner.folder));  // `folder` is not used past this point
        else
            folder.all_gone = inner.gone && folder.all_gone;
    }
}

}  // namespace tarven
