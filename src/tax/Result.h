#pragma once
// The one way an operation says it failed: a value, or a message for the person at the
// screen (UTF-8, Chinese, ready to show). [[nodiscard]] so an ignored failure is a warning.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace tax {

struct Failure {
    std::string message;
};

inline Failure Fail(std::string message) { return Failure{std::move(message)}; }

template <class T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : v_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { assert(ok()); return std::get<0>(v_); }
    const T& value() const& { assert(ok()); return std::get<0>(v_); }
    T&& value() && { assert(ok()); return std::get<0>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const std::string& error() const { assert(!ok()); return std::get<1>(v_).message; }
    Failure failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Failure> v_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failed_(true), message_(std::move(failure.message)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { assert(failed_); return message_; }
    Failure failure() const { return Failure{message_}; }

private:
    bool failed_ = false;
    std::string message_;
};

using Status = Result<void>;

} // namespace tax
