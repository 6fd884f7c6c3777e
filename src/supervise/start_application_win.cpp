#include "supervise/start_application_win.h"

#include <string>
#include <vector>

#include "base/os_error_win.h"
#include "supervise/command_line.h"
#include "supervise/inherited_std_handles_win.h"

namespace tarven {
namespace {

// The launcher's environment as it is now, one "NAME=value" per entry.
std::vector<std::wstring> environment_entries() {
    const unique_environment_strings block(::GetEnvironmentStringsW());
    std::vector<std::wstring> entries;
    if (!block) return entries;
    for (const wchar_t* entry = block.get(); *entry != L'\0';) {
        std::wstring text(entry);
        entry += text.size() + 1;
        entries.push_back(std::move(text));
    }
    return entries;
}

static_assert(sizeof(void*) != 8 || sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION) == 144);

// Kill-on-close, so that the application and all it starts end with the launcher. Any failure
// leaves the application running outside a job: not worth failing the start for.
void put_into_job(HANDLE process, AppChild& child) {
    unique_handle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) return;
    if (!::AssignProcessToJobObject(job.get(), process)) return;
    // Never closed: closing it would end the application.
    child.set_job(job.release());
}

}  // namespace

Result<AppProcess> start_application(const WorkFolder& folder, AppChild& child) {
    const std::wstring program = folder.entry(L"Tarven.exe");
    std::wstring command_line =
        build_command_line(program, {L"get-help", L"--no-browser", L"--port-file", folder.entry(L"port")});
    std::wstring environment = build_environment_block(environment_entries(), folder.entry(L"tmp"));

    InheritedStdHandles std_handles;
    unique_process_information created;
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, std_handles.inherit_handles(),
                          CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | std_handles.creation_flags(),
                          environment.data(), folder.path.c_str(), std_handles.startup(), created.put())) {
        const DWORD error = ::GetLastError();
        return fail(render_os_error(error));
    }
    AppProcess process{created.take_process(), created.take_thread()};
    put_into_job(process.process.get(), child);
    return process;
}

}  // namespace tarven
