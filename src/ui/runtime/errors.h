#pragma once
// Errors raised by the run-time services. Each carries the classic run-time
// error number so that messages and tests can name the kind of failure.

#include <stdexcept>
#include <string>

namespace grinzo::rt {

enum class ErrorNumber : int {
  Overflow = 6,
  SubscriptOutOfRange = 9,
  TypeMismatch = 13,
  FileNotFound = 53,
  BadFileFormat = 321,  // a picture file that is not what it claims to be
  PathNotFound = 76,
  PermissionDenied = 70,
  InvalidArgument = 5,  // "invalid procedure call or argument"
  KeyNotFound = 5,      // a keyed collection raises this for an unknown key
  DuplicateKey = 457,
  DeviceIOError = 57,
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorNumber number, const std::string& message)
      : std::runtime_error(message), number_(number) {}
  ErrorNumber number() const { return number_; }

 private:
  ErrorNumber number_;
};

class OverflowError : public RuntimeError {
 public:
  explicit OverflowError(const std::string& message = "Overflow")
      : RuntimeError(ErrorNumber::Overflow, message) {}
};

class TypeMismatchError : public RuntimeError {
 public:
  explicit TypeMismatchError(const std::string& message = "Type mismatch")
      : RuntimeError(ErrorNumber::TypeMismatch, message) {}
};

}  // namespace grinzo::rt
