#include "base/open_entry_win.h"

#include <winternl.h>

#include <cstring>

namespace tarven {

OpenedEntry open_entry(HANDLE folder, std::wstring_view name, const EntryOpen& request) {
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    UNICODE_STRING text{bytes, bytes, const_cast<PWSTR>(name.data())};
    // Relative names go through no reparse point at all; a full path may (the temp directory may
    // lie behind a junction of the user's own).
    const ULONG attributes = OBJ_CASE_INSENSITIVE | (folder != nullptr ? OBJ_DONT_REPARSE : 0);
    OBJECT_ATTRIBUTES object{};
    InitializeObjectAttributes(&object, &text, attributes, folder, request.security);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS status = ::NtCreateFile(
        &opened, request.access | SYNCHRONIZE, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL, request.share,
        request.disposition, request.options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (!NT_SUCCESS(status)) return OpenedEntry{unique_hfile(), ::RtlNtStatusToDosError(status)};
    return OpenedEntry{unique_hfile(opened), ERROR_SUCCESS};
}

bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && std::memcmp(a.id.Identifier, b.id.Identifier, sizeof a.id.Identifier) == 0;
}

std::optional<FileIdentity> identity_of(HANDLE file) {
    FILE_ID_INFO info{};
    if (!::GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof info)) return std::nullopt;
    return FileIdentity{info.VolumeSerialNumber, info.FileId};
}

}  // namespace tarven
