// Asks the navigation rule about arbitrary addresses: nothing is allowed that does not begin with
// about:, data: or the help address of the known port, everything that does is allowed, and what
// is allowed stays allowed with anything after it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "window/navigation_policy.h"

using tarven::fuzz::begins_with;
using tarven::fuzz::require;

namespace {

bool begins_with_help_base(const std::string& url, std::uint16_t port) {
    if (begins_with(url, "http://127.0.0.1:" + std::to_string(port) + "/desk/help")) return true;
    return port == 80 && begins_with(url, "http://127.0.0.1/desk/help");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::optional<std::uint16_t> port;
    if (input.ConsumeBool()) port = input.ConsumeBool() ? std::uint16_t{80} : input.ConsumeIntegral<std::uint16_t>();
    const std::string suffix = input.ConsumeRandomLengthString(64);
    const std::string url = input.ConsumeRemainingBytesAsString();

    const bool own_page = begins_with(url, "about:") || begins_with(url, "data:");
    const bool help_page = port && begins_with_help_base(url, *port);
    require(tarven::navigation_allowed(url, port) == (own_page || help_page));
    if (tarven::navigation_allowed(url, port)) require(tarven::navigation_allowed(url + suffix, port));
    return 0;
}
