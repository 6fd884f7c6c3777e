#include "surroundings_win.h"

#include <utility>

namespace tarven::test {
namespace {

class Requirement final : public testing::Environment {
public:
    Requirement(std::function<bool()> condition, std::string why) : condition_(std::move(condition)), why_(std::move(why)) {}
    void SetUp() override { TARVEN_REQUIRE(condition_(), why_); }

private:
    std::function<bool()> condition_;
    std::string why_;
};

}  // namespace

bool under_wine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool windows_can_be_made() {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return false;
    ::DestroyWindow(window);
    return true;
}

testing::Environment* require_for_every_case(std::function<bool()> condition, std::string why) {
    return testing::AddGlobalTestEnvironment(new Requirement(std::move(condition), std::move(why)));
}

}  // namespace tarven::test
