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

// Kill-on-close, so that the application and all it starts end with the launcher however it
// ends. Nothing when the system refuses: the application then runs without a job.
unique_handle make_kill_on_close_job() {
    unique_handle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return {};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) return {};
    return job;
}

struct StartRequest {
    std::wstring program;
    std::wstring command_line;
    std::wstring environment;
    std::wstring folder;
};

// One CreateProcessW; the error code when it fails.
[[nodiscard]] DWORD create(StartRequest& request, InheritedStdHandles& std_handles, DWORD flags,
                           unique_process_information& created) {
    // CreateProcessW may write into the command line; each attempt gets it afresh.
    std::wstring command_line = request.command_line;
    if (::CreateProcessW(request.program.c_str(), command_line.data(), nullptr, nullptr, std_handles.inherit_handles(),
                         CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | std_handles.creation_flags() | flags,
                         request.environment.data(), request.folder.c_str(), std_handles.startup(), created.put()))
        return ERROR_SUCCESS;
    return ::GetLastError();
}

}  // namespace

// The job is attached before the application runs, so that nothing it starts at once can be
// outside it (a child started before a late assignment would outlive the launcher and keep the
// work folder as its working folder). The job goes along with the start; where the system
// refuses that (before Windows 10, or a start that fails only with it), the application is
// started suspended, assigned and then resumed. Where even the assignment fails it runs without
// the job, as a start never fails for want of one.
Result<AppProcess> start_application(const WorkFolder& folder, AppChild& child, BeforeJobStep before_job_step) {
    const std::wstring program = folder.entry(L"Tarven.exe");
    StartRequest request{
        program,
        build_command_line(program, {L"get-help", L"--no-browser", L"--port-file", folder.entry(L"port")}),
        build_environment_block(environment_entries(), folder.entry(L"tmp")),
        folder.path,
    };
    unique_handle job = make_kill_on_close_job();
    unique_process_information created;

    if (job) {
        InheritedStdHandles with_job(job.get());
        if (with_job.carries_job()) {
            if (before_job_step != nullptr) before_job_step(nullptr);
            if (create(request, with_job, 0, created) == ERROR_SUCCESS) {
                child.set_job(job.release());  // never closed: closing it would end the application
                return AppProcess{created.take_process(), created.take_thread()};
            }
        }
    }

    InheritedStdHandles std_handles;
    if (const DWORD error = create(request, std_handles, job ? CREATE_SUSPENDED : 0, created); error != ERROR_SUCCESS)
        return fail(render_os_error(error));
    AppProcess process{created.take_process(), created.take_thread()};
    if (!job) return process;
    if (before_job_step != nullptr) before_job_step(process.process.get());
    if (::AssignProcessToJobObject(job.get(), process.process.get())) child.set_job(job.release());
    if (::ResumeThread(process.thread.get()) == static_cast<DWORD>(-1)) {
        // Left suspended it would never answer: a start that failed, with the system's word why.
        const DWORD error = ::GetLastError();
        (void)::TerminateProcess(process.process.get(), 1);
        return fail(render_os_error(error));
    }
    return process;
}

}  // namespace tarven
