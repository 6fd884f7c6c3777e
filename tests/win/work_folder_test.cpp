// The work folder on a real file system: its name and place, its first content, and its removal.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "payload/work_folder_win.h"

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
    remove_work_folder(folder, 2, 10ms);
    EXPECT_FALSE(work_folder_exists(folder));
}

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
