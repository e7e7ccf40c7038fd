#include "vandrel/vandrel_ctl.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "control/settings.h"
#include "text/encoding.h"
#include "util/ascii.h"
#include "util/file.h"
#include "util/quote.h"
#include "vandrel/app_folder.h"
#include "vandrel/error.h"
#include "vandrel/property_bag.h"
#include "vandrel/store.h"

namespace vandrel {
namespace {

constexpr const char* kYRange = "Il valore di Y deve essere un valore compreso tra 0 e 8.";
constexpr const char* kXRange =
    "Il valore di X deve essere un valore compreso tra 0"
    "e il valore della proprietà NumField.";
constexpr const char* kNoDatabase = "Prima di impostare la tabella occorre impostare il database.";
constexpr const char* kCaseHint = "\r(Verificare maiuscole e minuscole).";

[[noreturn]] void Refuse(std::string description = {}) {
  throw Error(kErrInvalidProperty, std::move(description));
}

// True when the path names a regular file that can be opened for reading (never created
// here; a FIFO or a device is not opened at all).
bool IsFile(const std::string& path) {
  return File::IsReadableFile(path);
}

// A property refused because something else failed while checking it: still 380, as a host
// expects of a property, but the description begins with the cause's own number and text
// ("3001 The connect string's 'PWD' ..."), passwords masked, so a host can tell a wrong
// password from a missing file.
[[noreturn]] void RefuseFor(const Error& cause) {
  Refuse(std::to_string(cause.number()) + " " + store::MaskPasswords(cause.description()));
}

// Whether `database` holds a table named exactly `table` (letter case counts). A database
// that cannot be opened is refused with its own error, not a "no".
bool IsTable(const std::string& database, std::string_view table) {
  try {
    auto db = store::OpenDatabase(database, false, true, settings().MDBPassword);
    const bool found = db->HasTable(table);
    db->Close();
    return found;
  } catch (const Error& e) {
    RefuseFor(e);
  }
}

InfoFieldRow& Cell(std::int16_t x) {
  auto& matrix = settings().InfoField;
  if (!matrix || x < 0 || static_cast<std::size_t>(x) >= matrix->size()) {
    throw Error(kErrSubscript);
  }
  return (*matrix)[static_cast<std::size_t>(x)];
}

// Typed values in the property bag: Booleans as True/False, numbers in decimal.
std::string BoolText(bool b) {
  return b ? "True" : "False";
}

bool ReadBool(const PropertyBag& bag, const char* key, bool fallback) {
  const auto text = bag.ReadProperty(key);
  if (!text) return fallback;
  const std::string_view t = ascii::TrimBlanks(*text);
  if (ascii::EqualsNoCase(t, "True") || t == "-1" || t == "1") return true;
  if (ascii::EqualsNoCase(t, "False") || t == "0") return false;
  throw Error(kErrTypeMismatch, "The saved property " + std::string(key) +
                                    " is not True or False: '" + Quoted(*text) + "'.");
}

template <typename Int>
Int ReadInt(const PropertyBag& bag, const char* key, Int fallback) {
  const auto text = bag.ReadProperty(key);
  if (!text) return fallback;
  const std::string_view t = ascii::TrimBlanks(*text);
  std::int64_t value = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || p != t.data() + t.size() ||
      (ec != std::errc() && ec != std::errc::result_out_of_range)) {
    throw Error(kErrTypeMismatch, "The saved property " + std::string(key) + " is not a number: '" +
                                      Quoted(*text) + "'.");
  }
  if (ec != std::errc() || value < std::numeric_limits<Int>::min() ||
      value > std::numeric_limits<Int>::max()) {
    throw Error(kErrOverflow);
  }
  return static_cast<Int>(value);
}

std::string ReadString(const PropertyBag& bag, const char* key) {
  return bag.ReadProperty(key).value_or(std::string());
}

// The names of the value format's settings, as the properties carry them.
constexpr std::array<std::pair<const char*, store::DateOrder>, 3> kDateOrders{{
    {"YMD", store::DateOrder::YMD},
    {"DMY", store::DateOrder::DMY},
    {"MDY", store::DateOrder::MDY},
}};

std::optional<char> DecimalNamed(std::string_view text) {
  if (text == "." || text == ",") return text.front();
  return std::nullopt;
}

std::optional<store::DateOrder> DateOrderNamed(std::string_view text) {
  for (const auto& [name, order] : kDateOrders) {
    if (text == name) return order;
  }
  return std::nullopt;
}

std::string DateOrderName(store::DateOrder order) {
  for (const auto& [name, o] : kDateOrders) {
    if (o == order) return name;
  }
  return kDateOrders.front().first;
}

// A saved format setting: its default when absent, a type mismatch when it names none.
template <typename T>
T ReadNamed(const PropertyBag& bag, const char* key, T fallback,
            std::optional<T> (*named)(std::string_view)) {
  const auto text = bag.ReadProperty(key);
  if (!text) return fallback;
  if (const std::optional<T> value = named(*text)) return *value;
  throw Error(kErrTypeMismatch, "The saved property " + std::string(key) +
                                    " is not one of its values: '" + *text + "'.");
}

}  // namespace

void VandrelCtl::Changed(std::string_view name) const {
  if (PropertyChanged) PropertyChanged(name);
}

bool VandrelCtl::AsktoAppend() const {
  return settings().AsktoAppend;
}
eFileType VandrelCtl::FileType() const {
  return static_cast<eFileType>(settings().FileType);
}
const std::string& VandrelCtl::ImportFile() const {
  return settings().ImportFile;
}

std::int16_t VandrelCtl::ImportResult() const {
  const std::int32_t value = settings().ImportResult;
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    throw Error(kErrOverflow);
  }
  return static_cast<std::int16_t>(value);
}

std::string VandrelCtl::InfoField(std::int16_t x, std::int16_t y) const {
  if (y < 0 || y > 8) throw Error(kErrSubscript);
  return Cell(x)[static_cast<std::size_t>(y)];
}

eLanguage VandrelCtl::Language() const {
  // Rounded to the nearest whole number, halves to even, as the base may come from a saved form.
  return static_cast<eLanguage>(std::nearbyint(settings().Language / 1000.0));
}

const std::string& VandrelCtl::MDBPassword() const {
  return settings().MDBPassword;
}
const std::string& VandrelCtl::MDBFile() const {
  return settings().MDBFile;
}
std::int16_t VandrelCtl::NumField() const {
  return settings().NumField;
}
bool VandrelCtl::OverWriteTab() const {
  return settings().OverWriteTab;
}
const std::string& VandrelCtl::SpecificationName() const {
  return settings().SpecificationName;
}
const std::string& VandrelCtl::Encoding() const {
  return settings().Encoding;
}
const std::string& VandrelCtl::TabError() const {
  return settings().TabError;
}
const std::string& VandrelCtl::TabImport() const {
  return settings().TabImport;
}
std::string VandrelCtl::DecimalSeparator() const {
  return std::string(1, settings().Format.decimalSeparator);
}
std::string VandrelCtl::DateOrder() const {
  return DateOrderName(settings().Format.dateOrder);
}

void VandrelCtl::Resize(int /*width*/, int /*height*/) {
  width_ = kSizeTwips;
  height_ = kSizeTwips;
}

void VandrelCtl::setAsktoAppend(bool value) {
  settings().AsktoAppend = value;
  Changed("AsktoAppend");
}

void VandrelCtl::setFileType(std::int32_t value) {
  if (value != fDelimited && value != fFixedWidth) Refuse();
  settings().FileType = value;
  Changed("FileType");
}

void VandrelCtl::setImportFile(std::string_view path) {
  std::string p(path);
  if (!IsFile(p)) Refuse();
  settings().ImportFile = std::move(p);
  Changed("ImportFile");
}

void VandrelCtl::setImportResult(std::int16_t value) {
  settings().ImportResult = value;
  Changed("ImportResult");
}

void VandrelCtl::setInfoField(std::int16_t x, std::int16_t y, std::string_view value) {
  if (y < 0 || y > 8) Refuse(kYRange);
  if (x < 0 || x > settings().NumField) Refuse(kXRange);
  Cell(x)[static_cast<std::size_t>(y)].assign(value);
  settings().LastInfoFieldValue.assign(value);
  Changed("InfoField");
}

void VandrelCtl::setInfoField(std::int16_t x, std::int16_t y, std::int64_t value) {
  setInfoField(x, y, std::string_view(std::to_string(value)));
}

void VandrelCtl::setInfoFieldRows(const std::vector<std::vector<std::string>>& rows) {
  for (const auto& row : rows) {
    if (row.size() > kNewColumnName + 1) {
      Refuse("An InfoField row has at most 8 attributes; this one has " +
             std::to_string(row.size()) + ".");
    }
  }
  const std::size_t highest = std::max<std::size_t>(rows.size(), 2) - 1;
  if (highest > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw Error(kErrOverflow);
  }
  setNumField(static_cast<std::int16_t>(highest));
  for (std::size_t x = 0; x < rows.size(); ++x) {
    for (std::size_t y = 0; y < rows[x].size(); ++y) {
      setInfoField(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), rows[x][y]);
    }
  }
}

std::vector<InfoFieldRow> VandrelCtl::InfoFieldRows() const {
  return settings().InfoField.value_or(std::vector<InfoFieldRow>{});
}

void VandrelCtl::setLanguage(std::int32_t value) {
  const std::int64_t base = std::int64_t{value} * 1000;
  if (base < std::numeric_limits<std::int32_t>::min() ||
      base > std::numeric_limits<std::int32_t>::max()) {
    throw Error(kErrOverflow);
  }
  settings().Language = static_cast<std::int32_t>(base);
  Changed("Language");
}

void VandrelCtl::setMDBPassword(std::string_view value) {
  settings().MDBPassword.assign(value);
  Changed("MDBPassword");
}

void VandrelCtl::setMDBFile(std::string_view path) {
  std::string p(path);
  try {
    auto db = store::OpenDatabase(p, false, true, settings().MDBPassword);
    db->SetConnect(settings().MDBPassword);
    db->Close();
  } catch (const Error& e) {
    RefuseFor(e);
  }
  settings().MDBFile = std::move(p);
  Changed("MDBFile");
}

void VandrelCtl::setNumField(std::int16_t value) {
  if (value < 1) Refuse();
  settings().InfoField.emplace(static_cast<std::size_t>(value) + 1);
  settings().NumField = value;
  Changed("NumField");
}

void VandrelCtl::setOverWriteTab(Boolean16 value) {
  if (value.value != 0 && value.value != -1) Refuse();
  settings().OverWriteTab = value.value != 0;
  Changed("OverWriteTab");
}

void VandrelCtl::setSpecificationName(std::string_view value) {
  settings().SpecificationName.assign(value);
  Changed("SpecificationName");
}

void VandrelCtl::setEncoding(std::string_view value) {
  const std::optional<TextEncoding> encoding = ParseEncoding(value);
  if (!encoding) Refuse();
  settings().Encoding = EncodingName(*encoding);
  Changed("Encoding");
}

namespace {
void CheckTable(std::string_view table, const char* missingText) {
  if (settings().MDBFile.empty()) Refuse(kNoDatabase);
  if (!IsTable(settings().MDBFile, table)) Refuse(std::string(missingText) + kCaseHint);
}
}  // namespace

void VandrelCtl::setTabError(std::string_view table) {
  CheckTable(table, "La tabella passata come TabError non esiste nel database");
  settings().TabError.assign(table);
  Changed("TabError");
}

void VandrelCtl::setTabImport(std::string_view table) {
  CheckTable(table, "La tabella passata come TabImport non esiste nel database");
  settings().TabImport.assign(table);
  Changed("TabImport");
}

void VandrelCtl::setDecimalSeparator(std::string_view value) {
  const std::optional<char> separator = DecimalNamed(value);
  if (!separator) Refuse();
  settings().Format.decimalSeparator = *separator;
  Changed("DecimalSeparator");
}

void VandrelCtl::setDateOrder(std::string_view value) {
  const std::optional<store::DateOrder> order = DateOrderNamed(value);
  if (!order) Refuse();
  settings().Format.dateOrder = *order;
  Changed("DateOrder");
}

void VandrelCtl::InitProperties() {
  Settings& s = settings();
  s.AsktoAppend = true;
  s.FileType = fFixedWidth;
  s.ImportFile.clear();
  s.ImportResult = static_cast<std::int32_t>(eResult::Abort);
  s.LastInfoFieldValue.clear();
  s.Language = 1000;
  s.MDBFile.clear();
  s.MDBPassword.clear();
  s.NumField = 0;
  // Rows of before would otherwise outlive NumField and feed the next import.
  s.InfoField.reset();
  s.OverWriteTab = false;
  s.SpecificationName.clear();
  s.TabError.clear();
  s.TabImport.clear();
  s.Encoding = "auto";
  s.Format = {};
}

void VandrelCtl::ReadProperties(const PropertyBag& bag) {
  // Every value is read and converted before any is stored, so a bad saved value leaves
  // the settings as they were.
  Settings s = settings();
  s.AsktoAppend = ReadBool(bag, "AsktoAppend", true);
  s.FileType = ReadInt<std::int32_t>(bag, "FileType", fFixedWidth);
  s.ImportFile = ReadString(bag, "ImportFile");
  s.ImportResult =
      ReadInt<std::int32_t>(bag, "ImportResult", static_cast<std::int32_t>(eResult::Abort));
  s.LastInfoFieldValue = ReadString(bag, "InfoField");
  s.Language = ReadInt<std::int32_t>(bag, "Language", 1000);
  s.MDBFile = ReadString(bag, "MDBFile");
  s.MDBPassword = ReadString(bag, "MDBPassword");
  s.NumField = ReadInt<std::int16_t>(bag, "NumField", 0);
  s.OverWriteTab = ReadBool(bag, "OverWriteTab", false);
  s.SpecificationName = ReadString(bag, "SpecificationName");
  s.TabError = ReadString(bag, "TabError");
  s.TabImport = ReadString(bag, "TabImport");
  const std::string encoding = bag.ReadProperty("Encoding").value_or("auto");
  const std::optional<TextEncoding> parsed = ParseEncoding(encoding);
  if (!parsed) {
    throw Error(kErrTypeMismatch,
                "The saved property Encoding is not an encoding: '" + encoding + "'.");
  }
  s.Encoding = EncodingName(*parsed);
  s.Format.decimalSeparator = ReadNamed<char>(bag, "DecimalSeparator", '.', DecimalNamed);
  s.Format.dateOrder =
      ReadNamed<store::DateOrder>(bag, "DateOrder", store::DateOrder::YMD, DateOrderNamed);
  settings() = std::move(s);
}

void VandrelCtl::WriteProperties(PropertyBag& bag) const {
  const Settings& s = settings();
  bag.WriteProperty("AsktoAppend", BoolText(s.AsktoAppend));
  bag.WriteProperty("FileType", std::to_string(s.FileType));
  bag.WriteProperty("ImportFile", s.ImportFile);
  bag.WriteProperty("ImportResult", std::to_string(s.ImportResult));
  bag.WriteProperty("InfoField", s.LastInfoFieldValue);
  bag.WriteProperty("Language", std::to_string(s.Language));
  bag.WriteProperty("MDBFile", s.MDBFile);
  bag.WriteProperty("MDBPassword", s.MDBPassword);
  bag.WriteProperty("NumField", std::to_string(s.NumField));
  bag.WriteProperty("OverwriteTab", BoolText(s.OverWriteTab));
  bag.WriteProperty("SpecificationName", s.SpecificationName);
  bag.WriteProperty("TabError", s.TabError);
  bag.WriteProperty("TabImport", s.TabImport);
  bag.WriteProperty("Encoding", s.Encoding);
  bag.WriteProperty("DecimalSeparator", DecimalSeparator());
  bag.WriteProperty("DateOrder", DateOrder());
}

}  // namespace vandrel
