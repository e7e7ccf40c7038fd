#include "vandrel/error.h"

namespace vandrel {

std::string StandardErrorText(std::int32_t number) {
  switch (number) {
    case kErrInvalidArgument:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrInternal:
      return "Internal error";
    case kErrFileNotFound:
      return "File not found";
    case kErrPathFileAccess:
      return "Path/File access error";
    case kErrResourceNotFound:
      return "Resource not found";
    case kErrInvalidProperty:
      return "Invalid property value";
    case kErrNoWizard:
      return "Object doesn't support this property or method";
    default:
      return {};
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
