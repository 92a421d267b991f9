// Errors inside the core are values. An Error carries the number and the
// description that the status line shows; Result<T> is either a value or one.
#pragma once

#include <cassert>
#include <utility>
#include <variant>

#include "base/text.h"

namespace vemdrol {

struct Error {
  long number = 0;
  Text description;
};

// Either a T or an Error; the caller must look before it takes.
template <class T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  const Error& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, Error> state_;
};

// For operations that give nothing back but may fail.
struct Done {};
using Status = Result<Done>;
inline Status success() { return Done{}; }

}  // namespace vemdrol
