// The work folder on a real file system: its name and place, its rights, its first content, and
// its removal.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <regex>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "payload/work_folder.h"
#include "payload/folder_tree_removal_win.h"
#include "payload/work_folder_win.h"
#include "process_support_win.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;

std::wstring temp_path() {
    wchar_t buffer[MAX_PATH + 1] = {};
    return std::wstring(buffer, ::GetTempPathW(MAX_PATH + 1, buffer));
}

std::vector<std::wstring> entries_of(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const unique_hfind search(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!search) return names;
    do
        if (std::wstring_view(data.cFileName) != L"." && std::wstring_view(data.cFileName) != L"..")
            names.push_back(data.cFileName);
    while (::FindNextFileW(search.get(), &data));
    return names;
}

void write_file(const std::wstring& path, std::string_view content) {
    const unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
}

// The accounts a work folder may grant anything to.
struct Accounts {
    std::vector<BYTE> user, system, administrators;
};

std::vector<BYTE> well_known(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

Accounts work_folder_accounts() {
    Accounts accounts{{}, well_known(WinLocalSystemSid), well_known(WinBuiltinAdministratorsSid)};
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return accounts;
    const unique_handle owner(token);
    std::vector<BYTE> info(1024);
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, info.data(), static_cast<DWORD>(info.size()), &size)) return accounts;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    accounts.user.assign(bytes, bytes + ::GetLengthSid(sid));
    return accounts;
}

bool same_sid(const std::vector<BYTE>& sid, PSID other) {
    return !sid.empty() && ::EqualSid(const_cast<BYTE*>(sid.data()), other);
}

// The allowed entries of a DACL as (account, rights, inheritance flags); an entry of another
// kind, or for an account outside the three, is "other".
std::vector<std::string> dacl_entries(PACL dacl, const Accounts& accounts) {
    std::vector<std::string> entries;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) return {"unreadable"};
        const auto& header = *static_cast<ACE_HEADER*>(ace);
        if (header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            entries.push_back("other");
            continue;
        }
        auto& allowed = *static_cast<ACCESS_ALLOWED_ACE*>(ace);
        const PSID sid = &allowed.SidStart;
        const char* who = same_sid(accounts.user, sid)             ? "user"
                          : same_sid(accounts.system, sid)         ? "system"
                          : same_sid(accounts.administrators, sid) ? "administrators"
                                                                   : "other";
        const bool full = allowed.Mask == FILE_ALL_ACCESS;
        const int inherit = header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        entries.push_back(std::string(who) + (full ? " full" : " partial") +
                          (inherit == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) ? " inherited-inside" : ""));
    }
    return entries;
}

bool process_is_elevated() {
    unique_handle token;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
           ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// The descriptor's integrity label as (level, policy, inheritance), or "none".
std::string mandatory_label(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL sacl = nullptr;
    if (!::GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) || !present || sacl == nullptr ||
        sacl->AceCount == 0)
        return "none";
    void* ace = nullptr;
    if (sacl->AceCount != 1 || !::GetAce(sacl, 0, &ace)) return "other";
    const auto& label = *static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
    if (label.Header.AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) return "other";
    const std::vector<BYTE> high = well_known(WinHighLabelSid);
    const bool inherited = (label.Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
                           (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    return std::string(same_sid(high, const_cast<DWORD*>(&label.SidStart)) ? "high" : "other") +
           (label.Mask == SYSTEM_MANDATORY_LABEL_NO_WRITE_UP ? " no-write-up" : " other-policy") +
           (inherited ? " inherited-inside" : "");
}

// Sets TMP and TEMP for the test's own process (which is where GetTempPathW looks) and puts the
// old values back afterwards.
class TempVariables {
public:
    explicit TempVariables(const std::wstring& value) : tmp_(read(L"TMP")), temp_(read(L"TEMP")) {
        ::SetEnvironmentVariableW(L"TMP", value.c_str());
        ::SetEnvironmentVariableW(L"TEMP", value.c_str());
    }
    ~TempVariables() {
        ::SetEnvironmentVariableW(L"TMP", tmp_.c_str());
        ::SetEnvironmentVariableW(L"TEMP", temp_.c_str());
    }

private:
    static std::wstring read(const wchar_t* name) {
        wchar_t buffer[MAX_PATH + 1] = {};
        return std::wstring(buffer, ::GetEnvironmentVariableW(name, buffer, MAX_PATH + 1));
    }
    std::wstring tmp_, temp_;
};

TEST(MakeWorkFolder, IsNamedForTheProcessInTheTempDirectoryAndHoldsOnlyTmp) {
    auto made = make_work_folder();
    ASSERT_TRUE(made) << made.error();
    const WorkFolder folder = made.value();
    const std::wstring temp = temp_path();
    ASSERT_EQ(folder.path.substr(0, temp.size()), temp);
    const std::string name = narrow_lossy(folder.path.substr(temp.size()));
    EXPECT_TRUE(std::regex_match(
        name, std::regex("TarvenHelp-" + std::to_string(::GetCurrentProcessId()) + "-[1-9a-f][0-9a-f]*")))
        << name;
    EXPECT_EQ(entries_of(folder.path), std::vector<std::wstring>{L"tmp"});
    EXPECT_TRUE(::GetFileAttributesW(folder.entry(L"tmp").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder.entry(L"port"), folder.path + L"\\port");
    remove_work_folder(folder);
    EXPECT_FALSE(work_folder_exists(folder));
}

// A temp directory where everyone may do everything, as a shared C:\Temp: nothing of that may
// reach the work folder.
TEST(MakeWorkFolder, GrantsTheUserSystemAndAdministratorsAloneEvenInASharedTempDirectory) {
    const Accounts accounts = work_folder_accounts();
    ASSERT_FALSE(accounts.user.empty());

    // The descriptor the folder is made with: protected, three entries, inherited by all inside.
    const auto descriptor = work_folder_security_descriptor();
    ASSERT_TRUE(descriptor) << descriptor.error();
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor.value().get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.value().get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    EXPECT_EQ(dacl_entries(dacl, accounts),
              (std::vector<std::string>{"user full inherited-inside", "system full inherited-inside",
                                        "administrators full inherited-inside"}));
    // An elevated run's folder carries the high level (Wine's runs are elevated; it enforces none).
    EXPECT_EQ(mandatory_label(descriptor.value().get()),
              process_is_elevated() ? "high no-write-up inherited-inside" : "none");

    // The folder as the file system keeps it. Wine keeps no ACL: it turns the descriptor into Unix
    // permissions and reads those back as entries (no Administrators, no protection flag), and an
    // entry for everyone where others may read. So only this much holds on both.
    const test::ScratchFolder scratch;
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                       &everyone, nullptr));
    const unique_hlocal everyone_owner(everyone);
    SECURITY_ATTRIBUTES open_to_all{sizeof open_to_all, everyone, FALSE};
    const std::wstring shared = scratch.entry(L"shared temp");
    ASSERT_TRUE(::CreateDirectoryW(shared.c_str(), &open_to_all));
    const TempVariables temp(shared + L"\\");
    auto made = make_work_folder();
    ASSERT_TRUE(made) << made.error();
    PSECURITY_DESCRIPTOR kept = nullptr;
    PACL kept_dacl = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(made.value().path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, &kept_dacl, nullptr, &kept),
              ERROR_SUCCESS);
    const unique_hlocal kept_owner(kept);
    const std::vector<std::string> entries = dacl_entries(kept_dacl, accounts);
    EXPECT_NE(std::find(entries.begin(), entries.end(), "user full inherited-inside"), entries.end());
    for (const std::string& entry : entries) EXPECT_EQ(entry.find("other"), std::string::npos) << entry;
    remove_work_folder(made.value(), 2, 10ms);
    EXPECT_FALSE(work_folder_exists(made.value()));
}

TEST(MakeWorkFolder, TwoRunsGetTwoFolders) {
    auto first = make_work_folder();
    auto second = make_work_folder();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.value().path, second.value().path);
    remove_work_folder(first.value());
    remove_work_folder(second.value());
}

TEST(MakeWorkFolder, MissingTempDirectoryIsPathNotFoundAndCreatesNoParents) {
    const std::wstring missing = temp_path() + L"tarven-missing-parent\\inner\\";
    const TempVariables temp(missing);
    const auto made = make_work_folder();
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error(), "no folder for Tarven Help: " + render_os_error(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(::GetFileAttributesW((temp_path() + L"tarven-missing-parent").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(MakeWorkFolder, NameAlreadyTakenIsAlreadyExistsAndLeavesTheEntryAlone) {
    const std::wstring taken = temp_path() + L"TarvenHelp-taken-" + std::to_wstring(::GetCurrentProcessId());
    write_file(taken, "not a folder");
    const auto made = create_work_folder(taken);
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error(), "no folder for Tarven Help: " + render_os_error(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(::GetFileAttributesW(taken.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ::DeleteFileW(taken.c_str());
}

TEST(RemoveWorkFolder, TakesNestedFilesAndFoldersAndReadOnlyFiles) {
    auto made = make_work_folder();
    ASSERT_TRUE(made);
    const WorkFolder folder = made.value();
    ASSERT_TRUE(::CreateDirectoryW(folder.entry(L"webview").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((folder.entry(L"webview") + L"\\deeper").c_str(), nullptr));
    write_file(folder.entry(L"webview") + L"\\deeper\\cache.bin", "cache");
    write_file(folder.entry(L"tmp") + L"\\scratch.txt", "scratch");
    write_file(folder.entry(L"port"), "8080");
    ::SetFileAttributesW(folder.entry(L"port").c_str(), FILE_ATTRIBUTE_READONLY);
    // Deeper than MAX_PATH, as the web view's data can be (Wine itself has no such limit).
    std::wstring deep = folder.literal_entry(L"webview");
    while (deep.size() < 2 * MAX_PATH) {
        deep += L"\\a-rather-long-folder-name";
        ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
    }
    write_file(deep + L"\\at-the-bottom.txt", "deep");
    // Names that only the literal form keeps: a device's name, a trailing dot or blank.
    for (const wchar_t* name : {L"aux", L"nul.txt", L"trailing dot.", L"trailing blank "})
        write_file(folder.literal_entry(name), "literal");
    remove_work_folder(folder, 2, 10ms);
    EXPECT_FALSE(work_folder_exists(folder));
}

// Where a link stands in the folder, or in its place, the removal never goes where it points.
enum class LinkPlace {
    instead_of_the_folder,
    instead_of_a_folder_inside,
    hard_link_to_a_file_outside,
    symbolic_link_to_a_file_outside,
};

class RemoveWorkFolderWithALink : public testing::TestWithParam<LinkPlace> {};

TEST_P(RemoveWorkFolderWithALink, LeavesWhatTheLinkPointsToAlone) {
    const test::ScratchFolder victim(L" victim");
    write_file(victim.entry(L"precious.txt"), "precious");
    ASSERT_TRUE(::CreateDirectoryW(victim.entry(L"inner").c_str(), nullptr));
    write_file(victim.entry(L"inner\\precious.txt"), "inner");

    using To = test::SymbolicLink::To;
    WorkFolder folder;
    std::unique_ptr<test::SymbolicLink> link;
    if (GetParam() == LinkPlace::instead_of_the_folder) {
        folder.path = temp_path() + L"TarvenHelp-" + std::to_wstring(::GetCurrentProcessId()) + L"-swapped";
        link = std::make_unique<test::SymbolicLink>(folder.path, victim.path(), To::folder);
    } else {
        auto made = make_work_folder();
        ASSERT_TRUE(made) << made.error();
        folder = made.value();
        write_file(folder.entry(L"tmp\\scratch.txt"), "scratch");
        const std::wstring outside_file = victim.entry(L"precious.txt");
        if (GetParam() == LinkPlace::instead_of_a_folder_inside)
            link = std::make_unique<test::SymbolicLink>(folder.entry(L"webview"), victim.path(), To::folder);
        else if (GetParam() == LinkPlace::symbolic_link_to_a_file_outside)
            link = std::make_unique<test::SymbolicLink>(folder.entry(L"help.dll"), outside_file, To::file);
        else
            ASSERT_TRUE(::CreateHardLinkW(folder.entry(L"help.dll").c_str(), outside_file.c_str(), nullptr));
    }
    ASSERT_TRUE(link == nullptr || link->exists()) << "no link could be made";

    remove_work_folder(folder, 2, 10ms);
    EXPECT_EQ(test::read_file_bytes(victim.entry(L"precious.txt")), std::optional<std::string>("precious"));
    EXPECT_EQ(test::read_file_bytes(victim.entry(L"inner\\precious.txt")), std::optional<std::string>("inner"));
    // What was the folder's own went. (Wine cannot delete a symbolic link as itself at all: there
    // the link, and so the folder, stay; Windows deletes the link as itself.) A hard link is one
    // more name of the file: that name goes, the other stays.
    if (GetParam() != LinkPlace::instead_of_the_folder) {
        EXPECT_EQ(::GetFileAttributesW(folder.entry(L"tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    if (GetParam() == LinkPlace::hard_link_to_a_file_outside) {
        EXPECT_FALSE(work_folder_exists(folder));
    }
    link.reset();
    remove_work_folder(folder, 2, 10ms);
    EXPECT_FALSE(work_folder_exists(folder));
}

INSTANTIATE_TEST_SUITE_P(Places, RemoveWorkFolderWithALink,
                         testing::Values(LinkPlace::instead_of_the_folder, LinkPlace::instead_of_a_folder_inside,
                                         LinkPlace::hard_link_to_a_file_outside,
                                         LinkPlace::symbolic_link_to_a_file_outside));

// Once the hold is let go of, another folder could take the path: that one is not the run's.
TEST(RemoveWorkFolder, LeavesAFolderThatTookTheMadeOnesPlace) {
    auto made = make_work_folder();
    ASSERT_TRUE(made) << made.error();
    const WorkFolder folder = made.value();
    folder.hold->handle.reset();
    const WorkFolder moved(folder.path + L"-moved");
    ASSERT_TRUE(::MoveFileExW(folder.path.c_str(), moved.path.c_str(), 0)) << render_os_error(::GetLastError());
    ASSERT_TRUE(::CreateDirectoryW(folder.path.c_str(), nullptr));
    write_file(folder.entry(L"theirs.txt"), "theirs");

    const auto started = std::chrono::steady_clock::now();
    remove_work_folder(folder, 40, 1s);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "no attempt is repeated on a folder not the run's";
    EXPECT_EQ(test::read_file_bytes(folder.entry(L"theirs.txt")), std::optional<std::string>("theirs"));
    remove_work_folder(WorkFolder(folder.path), 2, 10ms);
    remove_work_folder(moved, 2, 10ms);
}

// A system that keeps a folder's read-only attribute (Wine drops it) and, as NTFS does, refuses
// to delete the folder so marked; it knows the extended deletion, or (as Wine and systems before
// Windows 10 1809) refuses it. It notes what the removal asked of it for that folder.
struct ReadOnlyFolderSystem {
    static inline bool knows_extended = false;
    static inline bool read_only = true;
    static inline std::vector<std::string> asked;

    static bool is_the_folder(HANDLE handle) {
        std::vector<ULONGLONG> buffer(8 * 1024);
        if (!::GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(ULONGLONG))))
            return false;
        const auto& name = *reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
        return std::wstring_view(name.FileName, name.FileNameLength / sizeof(wchar_t)).ends_with(L"\\read-only");
    }

    static BOOL WINAPI get(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
        const BOOL got = ::GetFileInformationByHandleEx(handle, kind, out, size);
        if (got && kind == FileBasicInfo && read_only && is_the_folder(handle))
            static_cast<FILE_BASIC_INFO*>(out)->FileAttributes |= FILE_ATTRIBUTE_READONLY;
        return got;
    }

    static BOOL WINAPI set(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID in, DWORD size) {
        if (!is_the_folder(handle)) return ::SetFileInformationByHandle(handle, kind, in, size);
        FILE_DISPOSITION_INFO plain{TRUE};
        switch (static_cast<int>(kind)) {
            case 21: {  // FileDispositionInfoEx
                const ULONG flags = static_cast<FILE_DISPOSITION_INFO_EX*>(in)->Flags;
                asked.push_back("extended" + std::string(flags & FILE_DISPOSITION_FLAG_DELETE ? " delete" : "") +
                                (flags & FILE_DISPOSITION_FLAG_POSIX_SEMANTICS ? " posix" : "") +
                                (flags & FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE ? " ignoring-read-only" : ""));
                if (!knows_extended) return ::SetLastError(ERROR_INVALID_PARAMETER), FALSE;
                if (read_only && !(flags & FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE))
                    return ::SetLastError(ERROR_ACCESS_DENIED), FALSE;
                // Wine deletes only the plain way.
                return ::SetFileInformationByHandle(handle, FileDispositionInfo, &plain, sizeof plain);
            }
            case FileBasicInfo:
                if (!(static_cast<FILE_BASIC_INFO*>(in)->FileAttributes & FILE_ATTRIBUTE_READONLY)) {
                    asked.push_back("read-only cleared");
                    read_only = false;
                }
                break;
            case FileDispositionInfo:
                asked.push_back("plain");
                if (read_only) return ::SetLastError(ERROR_ACCESS_DENIED), FALSE;
                break;
            default:
                break;
        }
        return ::SetFileInformationByHandle(handle, kind, in, size);
    }
};

class RemoveAReadOnlyFolder : public testing::TestWithParam<bool> {};

TEST_P(RemoveAReadOnlyFolder, ByTheExtendedDeletionOrByClearingTheAttributeFirst) {
    ReadOnlyFolderSystem::knows_extended = GetParam();
    ReadOnlyFolderSystem::read_only = true;
    ReadOnlyFolderSystem::asked.clear();
    auto made = make_work_folder();
    ASSERT_TRUE(made) << made.error();
    const WorkFolder folder = made.value();
    ASSERT_TRUE(::CreateDirectoryW(folder.entry(L"read-only").c_str(), nullptr));
    folder.hold->handle.reset();

    const EntryInfoCalls calls{ReadOnlyFolderSystem::get, ReadOnlyFolderSystem::set};
    EXPECT_EQ(delete_folder_tree(folder.path, &folder.hold->identity, calls), TreeRemoval::complete);
    EXPECT_FALSE(work_folder_exists(folder));
    const std::string extended = "extended delete posix ignoring-read-only";
    const std::vector<std::string> expected = GetParam()
                                                  ? std::vector<std::string>{extended}
                                                  : std::vector<std::string>{extended, "read-only cleared", "plain"};
    EXPECT_EQ(ReadOnlyFolderSystem::asked, expected);
}

INSTANTIATE_TEST_SUITE_P(Systems, RemoveAReadOnlyFolder, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& system) {
                             return system.param ? "KnowsTheExtendedDeletion" : "RefusesIt";
                         });

TEST(RemoveWorkFolder, FolderAlreadyGoneReturnsWithoutSleeping) {
    const WorkFolder gone{temp_path() + L"TarvenHelp-0-gone"};
    const auto started = std::chrono::steady_clock::now();
    remove_work_folder(gone, 40, 1s);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST(RemoveWorkFolder, GivesUpAfterEveryAttemptWhileAFileIsHeldOpen) {
    auto made = make_work_folder();
    ASSERT_TRUE(made);
    const WorkFolder folder = made.value();
    write_file(folder.entry(L"held.dll"), "held");
    {
        const unique_hfile held(::CreateFileW(folder.entry(L"held.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        const auto started = std::chrono::steady_clock::now();
        remove_work_folder(folder, 5, 50ms);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, 250ms);  // five attempts, each followed by its pause
        EXPECT_TRUE(work_folder_exists(folder));
        EXPECT_EQ(::GetFileAttributesW(folder.entry(L"tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "what could go, went";
    }
    remove_work_folder(folder, 2, 10ms);
    EXPECT_FALSE(work_folder_exists(folder));
}

}  // namespace
}  // namespace tarven
