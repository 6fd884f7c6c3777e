#pragma once
// What the machine a test runs on offers. Some cases exist only because of Wine (a stand-in put
// into the prefix, "no window" as no X display, the prefix's DPI, registrations written into the
// prefix's registry); elsewhere they end as skipped with the reason, which CTest and the bundle's
// runner report as not run.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace tarven::test {

// Whether this process runs under Wine (its ntdll says its version).
bool under_wine();

// Whether a top-level window can be made here (not so under Wine without an X display).
bool windows_can_be_made();

// Ends the running case as skipped, with `why`, unless `condition` holds. Only in a test's body or
// its fixture's SetUp, where GoogleTest's skip returns from the case.
#define TARVEN_REQUIRE(condition, why) \
    if (condition) {                   \
    } else                             \
        GTEST_SKIP() << (why)

// For cases that change the Wine prefix itself: never done to a real machine.
#define TARVEN_REQUIRE_WINE(what) TARVEN_REQUIRE(::tarven::test::under_wine(), std::string("needs Wine: ") + (what))

}  // namespace tarven::test
