#include "vandrel/error.h"

namespace vandrel {

std::string StandardErrorText(std::int32_t number) {
  switch (number) {
    case kErrOverflow: return "Overflow";
    case kErrSubscript: return "Subscript out of range";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrResourceNotFound: return "Resource not found";
    case kErrInvalidProperty: return "Invalid property value";
    default: return {};
  }
}

namespace {
std::string DescriptionOrStandard(std::int32_t number, std::string description) {
  return description.empty() ? StandardErrorText(number) : std::move(description);
}
}  // namespace

Error::Error(std::int32_t number, std::string description, std::string source)
    : std::runtime_error(DescriptionOrStandard(number, description)),
      number_(number),
      source_(std::move(source)),
      description_(DescriptionOrStandard(number, std::move(description))) {}

}  // namespace vandrel
