#include <gtest/gtest.h>

#include "payload/work_folder.h"

namespace tarven {
namespace {

// 2026-12-03 00:51:08.1234567 UTC as a FILETIME.
constexpr std::uint64_t december_third = 134407326681234567ULL;

TEST(WorkFolderName, NamesTheProcessAndTheNanosecondsSince1970) {
    EXPECT_EQ(work_folder_name(4242, december_third), "TarvenHelp-4242-18ed981b0012a4bc");
}

TEST(WorkFolderName, ClockBefore1970GivesZero) {
    EXPECT_EQ(work_folder_name(4242, 0), "TarvenHelp-4242-0");
    EXPECT_EQ(work_folder_name(4242, 116444736000000000ULL - 1), "TarvenHelp-4242-0");
    EXPECT_EQ(work_folder_name(7, 116444736000000000ULL), "TarvenHelp-7-0");
}

TEST(WorkFolderName, SmallestStepIsOneHundredNanoseconds) {
    EXPECT_EQ(work_folder_name(1, 116444736000000000ULL + 1), "TarvenHelp-1-64");
}

TEST(WorkFolderName, LateClockNeedsMoreThanSixtyFourBits) {
    // The largest FILETIME: (2^64 - 1 - epoch) × 100 = 0x63_5e66_84f4_b395_ff9c.
    EXPECT_EQ(work_folder_name(4294967295u, ~0ULL), "TarvenHelp-4294967295-635e6684f4b395ff9c");
}

TEST(ExtendedLengthPath, DrivePathsUncPathsAndPathsAlreadyLiteral) {
    EXPECT_EQ(extended_length_path(L"C:\\Temp\\TarvenHelp-1-2"), L"\\\\?\\C:\\Temp\\TarvenHelp-1-2");
    EXPECT_EQ(extended_length_path(L"\\\\server\\share\\t"), L"\\\\?\\UNC\\server\\share\\t");
    EXPECT_EQ(extended_length_path(L"\\\\?\\C:\\t"), L"\\\\?\\C:\\t");
    // The form the system's own file calls take.
    EXPECT_EQ(system_path(L"C:\\Temp\\TarvenHelp-1-2"), L"\\??\\C:\\Temp\\TarvenHelp-1-2");
    EXPECT_EQ(system_path(L"\\\\server\\share\\t"), L"\\??\\UNC\\server\\share\\t");
}

// Only an elevated run's folder carries the high level: one that isn't could not set it.
TEST(WorkFolderRights, TheUserSystemAndAdministratorsAndForAnElevatedRunTheHighLevel) {
    const std::wstring rights = L"D:P(A;OICI;FA;;;S-1-5-21-1)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    EXPECT_EQ(work_folder_sddl(L"S-1-5-21-1", false), rights);
    EXPECT_EQ(work_folder_sddl(L"S-1-5-21-1", true), rights + L"S:(ML;OICI;NW;;;HI)");
}

}  // namespace
}  // namespace tarven
