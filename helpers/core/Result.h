#pragma once

#include <string>
#include <utility>
#include <variant>

namespace morv {

// An error as the user sees it: a number (errno or one of ours), the procedure it came from
// ("mSystemFolder::GetTempFile"), a one-line description without a final period, and the path
// of the file it is about, if any.
struct Error {
    Error() = default;
    Error(int number, std::string source, std::string description, std::string path = {})
        : number(number),
          source(std::move(source)),
          description(std::move(description)),
          path(std::move(path)) {}

    int number = 0;
    std::string source;
    std::string description;
    std::string path;
};

// The user-interrupt error that carries a stop request to an operation's error handler;
// handlers treat it as a silent stop.
inline constexpr int kUserInterrupt = 18;

inline Error UserInterrupt() {
    return Error{kUserInterrupt, "", "User interrupt"};
}

// A value or an error. I/O functions return this instead of throwing or showing a window.
template <typename T>
class Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(v_); }
    T& value() { return std::get<0>(v_); }
    const Error& error() const { return std::get<1>(v_); }

  private:
    std::variant<T, Error> v_;
};

// The result of an operation that has no value.
struct Done {};
using Status = Result<Done>;
inline Status Ok() {
    return Status(Done{});
}

}  // namespace morv
