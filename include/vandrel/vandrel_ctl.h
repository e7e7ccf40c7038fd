// VandrelCtl: the control a host embeds. The host sets its properties (database, tables,
// text file and type, saved layout, language, the InfoField matrix) and assigns Action to run
// an import. Property values live in one settings block shared by every instance in the
// process. A refused assignment throws vandrel::Error 380 and changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/error.h"
#include "vandrel/guess.h"
#include "vandrel/import.h"
#include "vandrel/result.h"

namespace vandrel {

class PropertyBag;

enum eAction : std::int32_t { aShowInterface = 0, aBackground = 1 };
enum eFileType : std::int32_t { fDelimited = 0, fFixedWidth = 1 };
enum eLanguage : std::int32_t {
  lItalian = 1,
  lEnglish = 2,
  lFrench = 3,
  lGerman = 4,
  lSpanish = 5
};
// A Boolean as the control's interface carries it: 16 bits, True = -1, False = 0. A C++ bool
// converts to it; a raw 16-bit value can be given explicitly, and anything but 0 and -1 is
// refused where the property checks it.
struct Boolean16 {
  constexpr Boolean16(bool b) : value(b ? -1 : 0) {}  // NOLINT: implicit on purpose
  constexpr explicit Boolean16(std::int16_t v) : value(v) {}
  std::int16_t value;
};

class VandrelCtl {
 public:
  VandrelCtl() = default;

  // Read accessors.
  bool AsktoAppend() const;
  eFileType FileType() const;
  const std::string& ImportFile() const;
  std::int16_t ImportResult() const;
  std::string InfoField(std::int16_t x, std::int16_t y) const;
  eLanguage Language() const;
  const std::string& MDBPassword() const;
  const std::string& MDBFile() const;
  std::int16_t NumField() const;
  bool OverWriteTab() const;
  const std::string& SpecificationName() const;
  // How text files are read: "auto" (a byte-order mark, or the text itself, decides),
  // "windows-1252", "utf-8", "utf-16le" or "utf-16be".
  const std::string& Encoding() const;
  const std::string& TabError() const;
  const std::string& TabImport() const;
  // How the text file writes numbers: "." (no thousands separators) or "," (with '.', a
  // blank or a no-break space between groups of three digits).
  std::string DecimalSeparator() const;
  // How it writes dates besides ISO: "YMD" (ISO only), "DMY" or "MDY".
  std::string DateOrder() const;

  // Write accessors, with their checks.
  // Runs an import: aShowInterface opens the wizard, aBackground imports silently from the
  // saved layout. Returns when the import is over; anything else is refused with 380.
  void setAction(std::int32_t action);
  void setAsktoAppend(bool value);
  void setFileType(std::int32_t value);
  void setImportFile(std::string_view path);
  void setImportResult(std::int16_t value);
  void setImportResult(eResult value) { setImportResult(static_cast<std::int16_t>(value)); }
  void setInfoField(std::int16_t x, std::int16_t y, std::string_view value);
  void setInfoField(std::int16_t x, std::int16_t y, std::int64_t value);
  void setInfoField(std::int16_t x, std::int16_t y, const char* value) {
    setInfoField(x, y, std::string_view(value));
  }
  // The whole InfoField matrix at once, as a host keeps its field rows: NumField becomes the
  // highest row index (at least 1, so one row still makes a matrix of two), then each row's
  // cells are assigned in attribute order; a row may leave trailing attributes out. A row of
  // more than 8 cells is refused with 380, more than 32768 rows with 6 (overflow), before
  // anything changes.
  void setInfoFieldRows(const std::vector<std::vector<std::string>>& rows);
  // Rows 0..NumField; none before NumField has been assigned.
  std::vector<InfoFieldRow> InfoFieldRows() const;
  void setLanguage(std::int32_t value);
  void setMDBPassword(std::string_view value);
  void setMDBFile(std::string_view path);
  void setNumField(std::int16_t value);
  void setOverWriteTab(Boolean16 value);
  void setSpecificationName(std::string_view value);
  // Anything but the five names above (letter case ignored) is refused with 380.
  void setEncoding(std::string_view value);
  void setTabError(std::string_view table);
  void setTabImport(std::string_view table);
  void setDecimalSeparator(std::string_view value);
  void setDateOrder(std::string_view value);

  // Why the latest import failed (the wizard's, or the silent import's), when it did: the
  // error that stopped it. Nothing after an import that ran to its end.
  std::optional<Error> LastImportError() const;
  // What the latest import stored and logged (what it committed, when it stopped part-way).
  ImportStats LastImportStats() const;

  // Asks the silent import (Action = 1) that is running, or the next one if none is, to stop
  // before its next line: the lines before it stay stored or logged, and ImportResult becomes
  // Abort. Safe to call from another thread or from a signal handler. The request is used up
  // by the import it stops. (It sets HostHooks::cancel.)
  static void Cancel() noexcept;
  // The line the latest import was stopped at by a cancel request (the first line neither
  // stored nor logged); nothing when it was not cancelled.
  std::optional<std::int64_t> LastImportStoppedAt() const;

  // The silent import by `layout` instead of the layout saved as SpecificationName: otherwise
  // as Action = 1 (the same checks, ImportResult, the outcome kept, the host's hooks).
  void ImportWithLayout(const TextLayout& layout);

  // The layout of ImportFile guessed from its first records, read as Encoding says, with
  // DecimalSeparator and DateOrder standing where the file cannot tell. Throws the file's
  // error (53) when it cannot be read.
  LayoutGuess GuessLayout() const;
  // Gives every InfoField row without an association the field of ImportFile's header line
  // whose name matches its ColumnName or FieldName (letter case, accents, blanks, '_' and '-'
  // ignored). Nothing when the file has no header line.
  HeaderAssociation AssociateByHeader();

  // Persistence in a host's property bag.
  void InitProperties();
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Called with the property's name after every accepted assignment.
  std::function<void(std::string_view)> PropertyChanged;

  // The control's size on a host form, in twips: whatever size the container gives it, the
  // control takes 480 by 480 again.
  static constexpr int kSizeTwips = 480;
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  void Changed(std::string_view name) const;

  int width_ = kSizeTwips;
  int height_ = kSizeTwips;
};

}  // namespace vandrel
