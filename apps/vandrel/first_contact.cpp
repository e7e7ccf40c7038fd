// A first import in one command: the layout guessed from the file (each part of it open to an
// inline option), the tables made when asked for, and the fields matched to the table's
// columns by the header's names, or by position. Also `vandrel sniff`, which prints the guess.
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli.h"
#include "vandrel/guess.h"
#include "vandrel/preview.h"

namespace vandrel::cli {
namespace {

// A character as UTF-8.
std::string Utf8(char32_t c) {
  const auto u = static_cast<std::uint32_t>(c);
  std::string out;
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
  }
  if (u >= 0x800) out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
  if (u >= 0x80) out += static_cast<char>(0x80 | (u & 0x3F));
  return out;
}

// A guessed character as the layout options write it: a token for the tab, the blank and
// none, else the character itself.
std::string CharacterText(std::optional<char32_t> c) {
  if (!c) return "{NONE}";
  if (*c == U'\t') return "{TAB}";
  if (*c == U' ') return "{SPACE}";
  return Utf8(*c);
}

// The same for JSON and for people: the character itself, "" for none.
std::string CharacterShown(std::optional<char32_t> c) {
  return c ? Utf8(*c) : std::string();
}

const char* DatesName(store::DateOrder order) {
  return order == store::DateOrder::DMY ? "DMY" : order == store::DateOrder::MDY ? "MDY" : "YMD";
}

std::string ColumnsText(const std::vector<GuessedColumn>& columns) {
  std::string text;
  for (const GuessedColumn& c : columns) {
    text += (text.empty() ? "" : ",") + std::to_string(c.begin) + "-" + std::to_string(c.end);
  }
  return text;
}

TextEncoding EncodingOption(const std::string& name) {
  return ParseEncoding(name.empty() ? "auto" : name).value_or(TextEncoding::Auto);
}

// Whether the fields are cut as the guess cut them: no layout given, in part or whole.
bool GuessedFields(const ImportOptions& o) {
  return o.spec.empty() && o.separator.empty() && o.delimiter.empty() && o.columns.empty();
}

// The names of the header line as the layout in use cuts it, trimmed. Where the layout is the
// guess's, they are the guess's own: it knows where the header is (rule lines under it count
// in its lines to skip) and how words of a fixed-width header cross the columns.
std::vector<std::string> HeaderNames(const ImportOptions& o, const LayoutGuess& guess,
                                     const TextLayout& layout) {
  if (!guess.header) return {};
  if (GuessedFields(o)) {
    std::vector<std::string> names;
    for (const GuessedColumn& c : guess.columns) names.push_back(c.name);
    return names;
  }
  TextLayout header = layout;
  std::visit([&](auto& l) { l.skipLines = guess.headerLine - 1; }, header);
  const auto rows = PreviewRows(o.file, EncodingOption(o.encoding), header, 1);
  std::vector<std::string> names;
  if (rows.empty()) return names;
  for (std::string name : rows.front()) {
    const auto first = name.find_first_not_of(" \t");
    const auto last = name.find_last_not_of(" \t");
    names.push_back(first == std::string::npos ? "" : name.substr(first, last - first + 1));
  }
  return names;
}

// How many fields the first records have under the layout in use.
std::size_t FieldCount(const ImportOptions& o, const TextLayout& layout) {
  std::size_t count = 0;
  for (const auto& row : PreviewRows(o.file, EncodingOption(o.encoding), layout, 100)) {
    count = std::max(count, row.size());
  }
  return count;
}

// The columns of a table made for the file: the header's names (or column1, column2, ...; a
// name empty or repeated becomes columnK too), typed as guessed where the layout is the
// guess's, else TEXT.
std::vector<store::NewColumn> NewColumns(const ImportOptions& o, const LayoutGuess& guess,
                                         const TextLayout& layout) {
  std::vector<std::string> names = HeaderNames(o, guess, layout);
  const std::size_t count = std::max(names.size(), FieldCount(o, layout));
  std::vector<store::NewColumn> columns;
  std::set<std::string> seen;
  // The guess's types hold where the fields are the guess's own.
  const bool guessed = o.separator.empty() && o.delimiter.empty() && o.columns.empty();
  for (std::size_t k = 0; k < count; ++k) {
    std::string name = k < names.size() ? names[k] : std::string();
    if (name.empty() || !seen.insert(MatchKey(name)).second)
      name = "column" + std::to_string(k + 1);
    columns.push_back({name, guessed && k < guess.columns.size() ? guess.columns[k].type : "TEXT"});
  }
  return columns;
}

}  // namespace

LayoutGuess GuessFor(const ImportOptions& o) {
  GuessOptions options;
  if (!o.type.empty()) options.fixedWidth = o.type == "fixed";
  if (o.type.empty() && !o.columns.empty()) options.fixedWidth = true;  // columns: fixed width
  options.encoding = EncodingOption(o.encoding);
  if (!o.decimal.empty()) options.hostFormat.decimalSeparator = o.decimal.front();
  if (o.dates == "DMY") options.hostFormat.dateOrder = store::DateOrder::DMY;
  if (o.dates == "MDY") options.hostFormat.dateOrder = store::DateOrder::MDY;
  return GuessLayout(o.file, options);
}

LayoutEntry LayoutInUse(const ImportOptions& o, const LayoutGuess& guess) {
  LayoutEntry t;
  t.kind = guess.fixedWidth ? specs::SpecKind::Fixed : specs::SpecKind::Delimited;
  // One field per line: the guess's own separator, which no record holds outside quotes.
  t.separator = o.separator.empty() ? (!guess.fixedWidth && !guess.separator
                                           ? CharacterText(DelimitedLayoutOf(guess).separator)
                                           : CharacterText(guess.separator))
                                    : o.separator;
  t.delimiter = o.delimiter.empty() ? CharacterText(guess.delimiter) : o.delimiter;
  t.skip = o.skip >= 0 ? o.skip : guess.skip;
  if (guess.fixedWidth) t.columns = o.columns.empty() ? ColumnsText(guess.columns) : o.columns;
  if (guess.fixedWidth && t.columns.empty()) {
    throw UsageError{"no columns were found: give --columns"};
  }
  return t;
}

TextLayout TextLayoutInUse(const ImportOptions& o, const LayoutGuess& guess,
                           const LayoutEntry& entry) {
  if (!o.separator.empty() || !o.delimiter.empty() || !o.columns.empty()) return LayoutOf(entry);
  TextLayout layout = guess.fixedWidth ? TextLayout(FixedLayoutOf(guess))
                                       : TextLayout(DelimitedLayoutOf(guess));
  std::visit([&](auto& l) { l.skipLines = entry.skip; }, layout);
  return layout;
}

void PrintGuessed(const ImportOptions& o, const LayoutGuess& guess) {
  std::vector<std::string> parts;
  if (o.encoding.empty()) parts.push_back(guess.encoding);
  if (o.type.empty() && guess.fixedWidth) parts.push_back("fixed width");
  if (guess.fixedWidth && o.columns.empty()) {
    parts.push_back(std::to_string(guess.columns.size()) + " columns");
  } else if (!guess.fixedWidth && o.separator.empty()) {
    parts.push_back(guess.separator ? "'" + CharacterShown(guess.separator) + "' separated"
                                    : "one field a line");
  }
  if (!guess.fixedWidth && o.delimiter.empty()) {
    parts.push_back(guess.delimiter ? "'" + CharacterShown(guess.delimiter) + "' quoted"
                                    : "not quoted");
  }
  if (o.skip < 0) {
    const std::int64_t above = guess.skip - (guess.header ? 1 : 0);
    if (guess.header) parts.push_back("1 header line");
    if (above > 0) parts.push_back(std::to_string(above) + " lines above the table");
    if (!guess.header && above == 0) parts.push_back("no header line");
  }
  if (o.decimal.empty() && guess.decimal != '.') parts.push_back("decimal ','");
  if (o.dates.empty() && guess.dates != store::DateOrder::YMD) {
    parts.push_back(std::string("dates ") + DatesName(guess.dates));
  }
  std::string line = "guessed:";
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? ", " : " ") + parts[i];
  std::cerr << line << '\n';
}

std::string PrepareTables(const ImportOptions& o, const LayoutGuess* guess,
                          const TextLayout* layout) {
  const std::string errors = o.errors.empty() ? o.table + "_errors" : o.errors;
  std::unique_ptr<store::Database> db;
  if (o.create) {
    store::CreateDatabaseFile(o.db);
    db = store::OpenDatabase(o.db, false, false, o.connect);
  } else {
    try {
      db = store::OpenDatabase(o.db, false, false, o.connect);
    } catch (const Error&) {
      return errors;  // the control says why, as it checks the database
    }
  }
  if (o.create && !db->HasTable(o.table) && guess && layout) {
    db->CreateTable(o.table, NewColumns(o, *guess, *layout));
    std::cerr << "created table " << o.table << '\n';
  }
  if (db->HasTable(o.table) && !db->HasTable(errors)) {
    db->CreateErrorTable(errors);
    std::cerr << "created error table " << errors << '\n';
  }
  db->Close();
  return errors;
}

std::vector<std::vector<std::string>> MappedFields(const ImportOptions& o, const LayoutGuess& guess,
                                                   const TextLayout& layout) {
  std::vector<std::string> columns;
  try {
    auto db = store::OpenDatabase(o.db, false, true, o.connect);
    columns = db->OpenRecordset(o.table)->ColumnNames();
  } catch (const Error&) {
    return {};  // no such table: the control says so, as it checks the tables
  }
  const bool byName = o.map.empty() ? guess.header : o.map == "names";
  const std::size_t fields = FieldCount(o, layout);
  // One row per field at least: a record may hold as many fields as there are rows.
  std::vector<std::vector<std::string>> rows;
  auto row = [&](std::size_t column, std::size_t field) {
    rows.push_back({columns[column], columns[column], "", "", "", std::to_string(field)});
  };
  if (!byName) {
    for (std::size_t k = 0; k < std::min(fields, columns.size()); ++k) row(k, k);
  } else {
    const HeaderMapping mapping = MapByName(HeaderNames(o, guess, layout), columns);
    if (mapping.duplicate) {
      const auto& d = *mapping.duplicate;
      throw UsageError{"the header fields '" + d[0] + "' and '" + d[1] + "' both match column '" +
                       d[2] + "': give --field rows"};
    }
    for (const std::string& name : mapping.unmatched) {
      std::cerr << "left out: header field '" << name << "' matches no column of " << o.table
                << '\n';
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (mapping.fieldOfColumn[c] >= 0) row(c, static_cast<std::size_t>(mapping.fieldOfColumn[c]));
    }
  }
  if (rows.empty()) {
    throw UsageError{"no field of the file goes to a column of " + o.table + ": give --field rows"};
  }
  rows.resize(std::max(rows.size(), fields));
  return rows;
}

int RunSniff(const SniffOptions& s) {
  ImportOptions o;
  o.file = s.file;
  o.type = s.type;
  o.encoding = s.encoding;
  const LayoutGuess guess = GuessFor(o);
  if (s.json) {
    std::cout << GuessJson(guess) << '\n';
    return kExitOk;
  }
  std::cout << "encoding:  " << guess.encoding
            << "\ntype:      " << (guess.fixedWidth ? "fixed" : "delimited") << '\n';
  if (!guess.fixedWidth) {
    std::cout << "separator: " << CharacterText(guess.separator)
              << "\ndelimiter: " << CharacterText(guess.delimiter) << '\n';
  }
  std::cout << "skip:      " << guess.skip << (guess.header ? " (the last a header line)" : "")
            << "\nnumbers:   decimal '" << guess.decimal
            << "'\ndates:     " << DatesName(guess.dates) << "\ncolumns:\n";
  for (const GuessedColumn& c : guess.columns) {
    std::cout << "  " << c.name << "  " << c.type;
    if (guess.fixedWidth) std::cout << "  " << c.begin << "-" << c.end;
    std::cout << '\n';
  }
  std::cout << "\nto import it:\n  vandrel import --db DATABASE --table TABLE --file '" << s.file
            << "' --create\n";
  return kExitOk;
}

CLI::App* AddSniffCommand(CLI::App& app, SniffOptions& s, const CLI::Validator& kinds,
                          const CLI::Validator& encodings) {
  CLI::App* cmd = app.add_subcommand(
      "sniff", "Guess a text file's layout from its first records and print it.");
  cmd->add_option("file", s.file, "the text file")->required();
  cmd->add_option("--type", s.type, "delimited or fixed, when not to be guessed")->check(kinds);
  cmd->add_option("--encoding", s.encoding, "how the file is read, when not to be guessed")
      ->check(encodings);
  cmd->add_flag("--json", s.json, "print one JSON object");
  return cmd;
}

}  // namespace vandrel::cli
