#include "payload/unpack_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "base/open_entry_win.h"
#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "base/starter_gate.h"
#include "words/user_words.h"

namespace tarven {
namespace {

Status write_all(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        // Pieces are far below 4 GiB; the loop is for partial writes.
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, content.data(), chunk, &written, nullptr))
            return fail(render_os_error(::GetLastError()));
        if (written == 0) return fail(std::string(words::write_took_nothing));
        content.remove_prefix(written);
    }
    return {};
}

class FolderFile final : public EntryFile {
public:
    FolderFile(unique_hfile file, StarterGate& gate) : file_(std::move(file)), gate_(gate) {}

    Result<UnpackEnd> write(std::string_view piece) override {
        Status written;
        if (!gate_.run_unless_closed([&] { written = write_all(file_.get(), piece); })) return UnpackEnd::stopped;
        if (!written) return fail(written.error());
        return UnpackEnd::done;
    }

    // Deleted through this very handle, so nothing else of that name can be hit.
    void discard() override {
        (void)gate_.run_unless_closed([&] {
            FILE_DISPOSITION_INFO disposition{TRUE};
            ::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition);
        });
        file_.reset();
    }

private:
    unique_hfile file_;
    StarterGate& gate_;
};

// Writes the files into the work folder under the starter's gate, so that a quit sequence that
// has closed the gate sees no byte written after it. Every file is named relative to the held
// folder and created new; the writer remembers what it made, so that a later record of a name
// empties that very file and nothing that may have taken its name since.
class FolderWriter final : public EntryWriter {
public:
    FolderWriter(const WorkFolder& folder, StarterGate& gate) : folder_(folder), gate_(gate) {}

    bool stop_requested() override { return gate_.closed(); }

    Result<CreatedFile> create(std::string_view name) override { return open_file(name, false); }
    Result<CreatedFile> replace(std::string_view name) override { return open_file(name, true); }

    // As the file system compares names: ordinal, ignoring case.
    int compare_names(std::string_view a, std::string_view b) const override {
        return compare_wide(widen(a), widen(b));
    }

private:
    struct MadeFile {
        std::wstring name;
        FileIdentity identity;
    };

    static int compare_wide(const std::wstring& a, const std::wstring& b) {
        return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                      TRUE) -
               CSTR_EQUAL;
    }

    Result<CreatedFile> open_file(std::string_view name, bool replacing) {
        const std::wstring wide = widen(name);
        OpenedEntry opened;
        if (!gate_.run_unless_closed([&] { opened = replacing ? reopen_made(wide) : create_new(wide); }))
            return CreatedFile{UnpackEnd::stopped, nullptr};
        if (!opened.handle) return fail(render_os_error(opened.error));
        return CreatedFile{UnpackEnd::done, std::make_unique<FolderFile>(std::move(opened.handle), gate_)};
    }

    // An entry of that name is something the launcher did not make, whatever it is (a link, a
    // hard link to a file elsewhere, the tmp folder): refused as CreateFileW reports a taken name.
    OpenedEntry create_new(const std::wstring& name) {
        OpenedEntry created = open_entry(
            folder_.handle(), name,
            {FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, file_share, FILE_CREATE, FILE_NON_DIRECTORY_FILE});
        if (!created.handle) {
            if (created.error == ERROR_ALREADY_EXISTS) created.error = ERROR_FILE_EXISTS;
            return created;
        }
        if (const auto identity = identity_of(created.handle.get())) {
            const std::lock_guard lock(made_mutex_);
            made_.push_back(MadeFile{name, *identity});
        }
        return created;
    }

    OpenedEntry reopen_made(const std::wstring& name) {
        OpenedEntry opened = open_entry(
            folder_.handle(), name,
            {FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, file_share, FILE_OPEN, FILE_NON_DIRECTORY_FILE});
        if (!opened.handle) return opened;
        if (!made_here(name, identity_of(opened.handle.get()))) return OpenedEntry{unique_hfile(), ERROR_FILE_EXISTS};
        FILE_END_OF_FILE_INFO empty{};
        if (!::SetFileInformationByHandle(opened.handle.get(), FileEndOfFileInfo, &empty, sizeof empty))
            return OpenedEntry{unique_hfile(), ::GetLastError()};
        return opened;
    }

    bool made_here(const std::wstring& name, const std::optional<FileIdentity>& identity) {
        if (!identity) return false;
        const std::lock_guard lock(made_mutex_);
        return std::any_of(made_.begin(), made_.end(), [&](const MadeFile& made) {
            return made.identity == *identity && compare_wide(made.name, name) == 0;
        });
    }

    static constexpr ULONG file_share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

    const WorkFolder& folder_;
    StarterGate& gate_;
    std::mutex made_mutex_;
    std::vector<MadeFile> made_;
};

}  // namespace

std::unique_ptr<EntryWriter> make_folder_writer(const WorkFolder& folder, StarterGate& gate) {
    return std::make_unique<FolderWriter>(folder, gate);
}

Result<UnpackEnd> unpack_payload(const Payload& payload, const WorkFolder& folder, StarterGate& gate,
                                 const UnpackOptions& options) {
    FolderWriter writer(folder, gate);
    return unpack_payload(payload, writer, options);
}

}  // namespace tarven
