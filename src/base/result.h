#pragma once
// Failures are values: a step returns what it made or one message in plain words. A caller that
// decides by the failure decides by its kind, never by its text.
#include <string>
#include <utility>
#include <variant>

namespace tarven {

enum class FailureKind {
    other,
    interrupted,  // cut short by the end of the run (a WM_QUIT) before it could finish
};

struct Failure {
    std::string message;
    FailureKind kind = FailureKind::other;
};

inline Failure fail(std::string message, FailureKind kind = FailureKind::other) {
    return Failure{std::move(message), kind};
}

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const std::string& error() const { return std::get<1>(state_).message; }
    FailureKind error_kind() const { return std::get<1>(state_).kind; }
    // The failure whole, for passing it on.
    const Failure& failure() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// Success without a value, or a failure message.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure) : failed_(true), failure_(std::move(failure)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return failure_.message; }
    FailureKind error_kind() const { return failure_.kind; }
    const Failure& failure() const { return failure_; }

private:
    bool failed_ = false;
    Failure failure_;
};

}  // namespace tarven
