// The entry of every Windows test program: the launcher's DLL search rule, then GoogleTest.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
