// vandrel::Error is the one exception type that reaches a host: a run-time error with the
// number, source and description a caller can test for. Property checks raise 380; the store
// raises its 3000-range numbers; the language runtime's own failures (subscript out of range,
// overflow, type mismatch) use their traditional numbers and texts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vandrel {

inline constexpr const char* kSource = "Vandrel";

// Numbers of the runtime errors this system raises itself.
enum ErrorNumber : std::int32_t {
  kErrInvalidArgument = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrInternal = 51,
  kErrSubscript = 9,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrPathFileAccess = 75,
  kErrResourceNotFound = 326,
  kErrInvalidProperty = 380,
  kErrNoWizard = 438,
};

class Error : public std::runtime_error {
 public:
  // An empty description takes the standard text for the number, when there is one.
  Error(std::int32_t number, std::string description = {}, std::string source = kSource);

  std::int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }

 private:
  std::int32_t number_;
  std::string source_;
  std::string description_;
};

// The standard text of a runtime error number ("" when there is none).
std::string StandardErrorText(std::int32_t number);

}  // namespace vandrel
