// The settings block: every property value of the control, held once per process. All
// instances of VandrelCtl, the wizard and the engine read these members directly; only the
// control's accessors check what is written into them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/info_field.h"
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
};

// The process's one settings block.
Settings& settings();

}  // namespace vandrel
