#include "payload/unpack_win.h"

#include <windows.h>

#include <algorithm>

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

    Result<WriteEnd> write(std::string_view piece) override {
        Status written;
        if (!gate_.run_unless_closed([&] { written = write_all(file_.get(), piece); })) return WriteEnd::stopped;
        if (!written) return fail(written.error());
        return WriteEnd::written;
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
// has closed the gate sees no byte written after it.
class FolderWriter final : public EntryWriter {
public:
    FolderWriter(const WorkFolder& folder, StarterGate& gate) : folder_(folder), gate_(gate) {}

    bool stop_requested() override { return gate_.closed(); }

    Result<std::unique_ptr<EntryFile>> create(std::string_view name) override {
        // The literal path: a name is never a device, and never loses its trailing dots or blanks.
        const std::wstring path = folder_.literal_entry(widen(name));
        unique_hfile file;
        DWORD error = ERROR_SUCCESS;
        const bool ran = gate_.run_unless_closed([&] {
            file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) error = ::GetLastError();
        });
        if (!ran) return std::unique_ptr<EntryFile>();
        if (!file) return fail(render_os_error(error));
        return std::unique_ptr<EntryFile>(std::make_unique<FolderFile>(std::move(file), gate_));
    }

    // As the file system compares names: ordinal, ignoring case.
    int compare_names(std::string_view a, std::string_view b) const override {
        const std::wstring wide_a = widen(a);
        const std::wstring wide_b = widen(b);
        return ::CompareStringOrdinal(wide_a.data(), static_cast<int>(wide_a.size()), wide_b.data(),
                                      static_cast<int>(wide_b.size()), TRUE) -
               CSTR_EQUAL;
    }

private:
    const WorkFolder& folder_;
    StarterGate& gate_;
};

}  // namespace

Result<UnpackEnd> unpack_payload(const Payload& payload, const WorkFolder& folder, StarterGate& gate,
                                 const UnpackOptions& options) {
    FolderWriter writer(folder, gate);
    return unpack_payload(payload, writer, options);
}

}  // namespace tarven
