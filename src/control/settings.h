// The settings block: every property value of the control, held once per process, and what
// the latest import came to. Every instance of VandrelCtl reads and writes these members;
// only the control's accessors check what is written into them. The imports below the control
// never read it: the control hands them a request made from it (RequestFromSettings) and
// keeps the outcome they return.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vandrel/import.h"
#include "vandrel/info_field.h"
#include "vandrel/store.h"

namespace vandrel {

struct Settings {
  bool AsktoAppend = true;
  std::int32_t FileType = 1;
  std::string ImportFile;
  std::int32_t ImportResult = 4;
  std::string LastInfoFieldValue;
  std::int32_t Language = 1000;  // the catalogue base: 1000 times the language number
  std::string MDBFile;
  std::string MDBPassword;
  std::int16_t NumField = 0;
  bool OverWriteTab = false;
  std::string SpecificationName;
  std::string Encoding = "auto";  // how text files are read: auto, windows-1252, utf-8, ...
  std::string TabError;
  std::string TabImport;
  // DecimalSeparator and DateOrder.
  store::ValueFormat Format;
  // Rows 0..NumField once NumField has been assigned; absent before.
  std::optional<std::vector<InfoFieldRow>> InfoField;
  // Where the saved layouts are; empty for the executable's folder.
  std::string ApplicationFolder;
  // The latest import, the wizard's or the silent one: its counts and what stopped it.
  ImportOutcome LastImport;
};

// The process's one settings block.
Settings& settings();

// The request of an import by the settings: the text file, its encoding, the tables, the field
// rows, the format, what to empty, and the host's progress and cancel hooks.
ImportRequest RequestFromSettings(const Settings& s);

}  // namespace vandrel
