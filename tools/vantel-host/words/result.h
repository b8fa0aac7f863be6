#pragma once
// A value or the one line that says why there is none. The helpers of the host hand bad
// input back this way; what it costs (an exit status, a file's result, a refused command)
// is for their caller to decide.
#include <optional>
#include <string>
#include <utility>

namespace vantel::host {

/// Why something could not be done, in one line, ready for "vantel-host: ".
struct Failure {
  std::string message;
};

template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Failure failure) : error_(std::move(failure.message)) {}

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  /// Empty when there is a value.
  const std::string& error() const { return error_; }

 private:
  std::optional<T> value_;
  std::string error_;
};

}  // namespace vantel::host
