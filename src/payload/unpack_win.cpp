#include "payload/unpack_win.h"

#include <windows.h>

#include <algorithm>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "base/starter_gate.h"

namespace tarven {
namespace {

constexpr DWORD largest_write = 1u << 30;

Status write_all(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), largest_write));
        DWORD written = 0;
        if (!::WriteFile(file, content.data(), chunk, &written, nullptr))
            return fail(render_os_error(::GetLastError()));
        if (written == 0) return fail("failed to write whole buffer");
        content.remove_prefix(written);
    }
    return {};
}

Status write_file(const std::wstring& path, std::string_view content) {
    const unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fail(render_os_error(::GetLastError()));
    return write_all(file.get(), content);
}

// Writes each file into the work folder while holding the starter's gate, so that a quit
// sequence that has closed the gate sees no file appear after it.
class WorkFolderWriter final : public EntryWriter {
public:
    WorkFolderWriter(const WorkFolder& folder, StarterGate& gate) : folder_(folder), gate_(gate) {}

    bool stop_requested() override { return gate_.closed(); }

    Status write(std::string_view name, std::string_view content) override {
        Status written;
        const bool ran = gate_.run_unless_closed([&] { written = write_file(folder_.entry(widen(name)), content); });
        // A closed gate: the walk ends at its next stop check, the file is not written.
        return ran ? written : Status{};
    }

private:
    const WorkFolder& folder_;
    StarterGate& gate_;
};

}  // namespace

Result<UnpackEnd> unpack_payload(const Payload& payload, const WorkFolder& folder, StarterGate& gate) {
    WorkFolderWriter writer(folder, gate);
    return unpack_payload(payload, writer);
}

}  // namespace tarven
