#include "test_list.h"

#include <nlohmann/json.hpp>
#include <regex>

namespace tarven::runner {
namespace {

using nlohmann::json;

std::vector<std::string> strings_of(const json& value) {
    std::vector<std::string> strings;
    for (const json& item : value) strings.push_back(item.get<std::string>());
    return strings;
}

// CTest lists a test's properties as {"name": ..., "value": ...}; those the runner needs.
void take_property(TestCase& test, const json& property) {
    const std::string name = property.at("name").get<std::string>();
    const json& value = property.at("value");
    if (name == "TIMEOUT") test.timeout_seconds = value.get<double>();
    if (name == "ENVIRONMENT") test.environment = strings_of(value);
    if (name == "WORKING_DIRECTORY") test.working_directory = value.get<std::string>();
    if (name == "RESOURCE_LOCK") test.resource_locks = strings_of(value);
    if (name == "SKIP_REGULAR_EXPRESSION") {
        test.skip_regular_expressions = strings_of(value);
        for (const std::string& expression : test.skip_regular_expressions) std::regex{expression};  // throws when bad
    }
    if (name == "SKIP_RETURN_CODE") test.skip_return_code = value.get<int>();
}

TestCase test_of(const json& entry) {
    TestCase test;
    test.name = entry.at("name").get<std::string>();
    test.command = strings_of(entry.at("command"));
    if (test.command.empty()) throw std::invalid_argument("an empty command");
    if (entry.contains("properties"))
        for (const json& property : entry.at("properties")) take_property(test, property);
    return test;
}

}  // namespace

Result<std::vector<TestCase>> parse_test_list(std::string_view text) {
    const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) return fail("the test list is not JSON");
    if (!document.is_object() || document.value("kind", "") != "ctestInfo" || !document.contains("tests"))
        return fail("the test list is not CTest's json-v1");
    std::vector<TestCase> tests;
    for (const json& entry : document.at("tests")) {
        try {
            tests.push_back(test_of(entry));
        } catch (const std::exception& error) {
            return fail("test " + std::to_string(tests.size() + 1) + " of the list: " + error.what());
        }
    }
    return tests;
}

}  // namespace tarven::runner
