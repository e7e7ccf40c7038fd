// Where a host keeps a control's saved properties: named text values, the names matched
// without regard to letter case. MemoryPropertyBag keeps them in memory; IniPropertyBag
// loads and saves them as one section of an INI file (a host's saved form).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vandrel {

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // The stored text, or nothing when the name is absent.
  virtual std::optional<std::string> ReadProperty(std::string_view name) const = 0;
  virtual void WriteProperty(std::string_view name, std::string_view value) = 0;
};

class MemoryPropertyBag : public PropertyBag {
 public:
  std::optional<std::string> ReadProperty(std::string_view name) const override;
  void WriteProperty(std::string_view name, std::string_view value) override;

  // In the order first written, each name in the letter case it was first written with.
  const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// One section of an INI file. Values are written on one line each; bytes that INI cannot
// carry as they are (line ends, control characters, ';', '#', '"', '\' and blanks at either
// end) are written as \xHH and read back exactly.
class IniPropertyBag : public MemoryPropertyBag {
 public:
  explicit IniPropertyBag(std::string section = "VandrelCtl") : section_(std::move(section)) {}

  // Replaces the bag's entries with the section's. A missing file is an empty bag; a file
  // that cannot be parsed throws vandrel::Error naming the file and line.
  void Load(const std::string& path);
  // Writes the section, keeping the entries of every other section of an existing file
  // (comments are not kept).
  void Save(const std::string& path) const;

 private:
  std::string section_;
};

}  // namespace vandrel
