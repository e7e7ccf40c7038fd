// The rules of the guess one phase at a time, on tables and samples made in memory: the
// dialect, the header line, the number and date format, the column types, in the corners the
// whole files of guess_test.cpp do not reach; and the header-name matching the command line,
// the wizard and the control share.
#include <gtest/gtest.h>

#include "guess/guess_phases.h"
#include "vandrel/guess.h"

namespace vandrel {
namespace {

using guess::Table;
using store::DateOrder;
using store::ValueFormat;
using Strings = std::vector<std::string>;

guess::Sample SampleOf(std::string_view text) {
  guess::Sample sample;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find('\n', from), text.size());
    sample.lines.push_back({std::string(text.substr(from, end - from)), "\n"});
    from = end + 1;
  }
  return sample;
}

Table TableOf(const std::vector<Strings>& rows) {
  Table table;
  table.fields = static_cast<int>(rows.at(0).size());
  for (std::size_t r = 0; r < rows.size(); ++r) table.rows.push_back({rows[r], r, 1});
  return table;
}

TEST(GuessRules, TheDialectReadsQuotesAsTheImportDoes) {
  struct Case {
    const char* what;
    const char* text;
    std::optional<char32_t> separator, delimiter;
  } cases[] = {
      {"a separator inside quotes does not count", "\"x;y\",1\n\"z;w\",2\n\"v;u\",3\n", U',', U'"'},
      {"a quote opening no field is text", "a;b\"c;d\ne;f\"g;h\n", U';', U'"'},
      {"a quote that never closes is no delimiter", "a;\"b;c\nd;e;f\ng;h;i\n", U';', std::nullopt},
      {"consistency first: ',' splits every line, ';' only some", "a,b;c\nd,e\nf;g,h\n", U',',
       U'"'},
      {"then more fields", "a|b c d\ne|f g h\n", U' ', U'"'},
      {"then the order of the list", "a,b;c\nd,e;f\n", U',', U'"'},
  };
  for (const Case& c : cases) {
    const guess::Dialect d = guess::GuessDialect(SampleOf(c.text));
    EXPECT_EQ(d.separator, c.separator) << c.what;
    EXPECT_EQ(d.delimiter, c.delimiter) << c.what;
  }
}

TEST(GuessRules, RulesUnderHeadersAsShellsDrawThem) {
  for (const char* rule : {"----+-------+----", "--  -------  ---", "|---|:---:|", "=== ==="}) {
    EXPECT_TRUE(guess::IsRuleLine(rule)) << rule;
  }
  for (const char* row : {"-;-;-", "-- note", "1-2", "+|+", ""}) {
    EXPECT_FALSE(guess::IsRuleLine(row)) << row;
  }
}

TEST(GuessRules, AHeaderStandsOutFromTheRowsBelowIt) {
  struct Case {
    const char* what;
    std::vector<Strings> rows;
    bool header;
  } cases[] = {
      {"a number over numbers", {{"2023", "x"}, {"1", "a"}, {"2", "b"}}, false},
      {"an empty name", {{"id", ""}, {"1", "a"}}, false},
      {"names repeated", {{"id", "id"}, {"1", "a"}}, false},
      {"text alone: a name comes again", {{"Ann", "Rome"}, {"Bo", "Rome"}}, false},
      {"text alone, one column", {{"name"}, {"Ann"}, {"Bo"}}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(guess::GuessHeader(TableOf(c.rows)).header, c.header) << c.what;
  }
}

TEST(GuessRules, DecimalSeparatorAndDateOrderFromTheValues) {
  struct Case {
    Strings values;
    ValueFormat host;
    ValueFormat expected;
  } cases[] = {
      {{"12,50", "3.5"}, {}, {'.', DateOrder::YMD}},  // one needs '.': no ','
      {{"1 250,5"}, {}, {',', DateOrder::YMD}},
      {{"1.250"}, {}, {'.', DateOrder::YMD}},
      {{"7", "x"}, {',', DateOrder::DMY}, {',', DateOrder::DMY}},  // nothing to tell: the host's
      {{"2024-12-25"}, {'.', DateOrder::DMY}, {'.', DateOrder::DMY}},  // ISO reads either way
      {{"31/02/2024"}, {'.', DateOrder::MDY}, {'.', DateOrder::MDY}},  // no date at all
  };
  for (const Case& c : cases) {
    std::vector<Strings> rows;
    for (const std::string& v : c.values) rows.push_back({v});
    const ValueFormat format = guess::GuessValueFormat(TableOf(rows), 0, c.host);
    EXPECT_EQ(format, c.expected) << testing::PrintToString(c.values);
  }
}

TEST(GuessRules, EachColumnTakesTheNarrowestTypeOfAllItsValues) {
  const ValueFormat comma{',', DateOrder::DMY};
  struct Case {
    Strings values;
    const char* type;
    ValueFormat format{};
  } cases[] = {
      {{"s\u00EC", "no", "vero", "falsch"}, "BOOLEAN"},
      {{"yes", "1"}, "TEXT"},
      {{"007"}, "TEXT"},
      {{"0", "-12", "+3", ""}, "INTEGER"},
      {{"9223372036854775808"}, "REAL"},  // past 64 bits
      {{"0.5", "12.25"}, "REAL"},         // not one number of decimals
      {{"1.5e3", "2.5"}, "REAL"},
      {{"12345678901234567.5"}, "DECIMAL(18,1)"},
      {{"1234567890123456789.5"}, "REAL"},  // past 18 digits
      {{"1.250,50", "3,00"}, "DECIMAL(18,2)", comma},
      {{"1.250", "3"}, "INTEGER", comma},
      {{"12.50"}, "TEXT", comma},
      {{"2024-01-05", "25/12/2023"}, "DATE", comma},
      {{"2024-01-05", "2024-01-06 10:30"}, "DATETIME"},
      {{"2024-02-30"}, "TEXT"},
      {{"10:30"}, "TEXT"},
      {{"", " "}, "TEXT"},
  };
  for (const Case& c : cases) {
    std::vector<Strings> rows;
    for (const std::string& v : c.values) rows.push_back({v});
    EXPECT_EQ(guess::GuessColumnTypes(TableOf(rows), 0, c.format), Strings{c.type})
        << testing::PrintToString(c.values);
  }
}

TEST(GuessNames, LetterCaseAccentsBlanksUnderscoresAndHyphensDoNotCount) {
  const std::pair<const char*, const char*> same[] = {
      {"Citt\u00E0", "citta"},
      {"Order Date", "order_date"},
      {"ORDER-DATE", "OrderDate"},
      {"Stra\u00DFe", "strasse"},
      {"\u0152uvre", "oeuvre"},
      {"\u00D1and\u00FA", "nandu"},
      {"Cafe\u0301", "caf\u00E9"},
      {"\u0141\u00F3d\u017A", "lodz"},
      {"\u041A\u043E\u0434", "\u043A\u043E\u0434"},
      {"Nato\u00A0il", "nato_il"},
  };
  for (const auto& [a, b] : same) EXPECT_EQ(MatchKey(a), MatchKey(b)) << a << " / " << b;
  EXPECT_NE(MatchKey("Nome"), MatchKey("Nomi"));
  EXPECT_NE(MatchKey("a.b"), MatchKey("ab"));  // only blanks, '_' and '-' are left out
}

// Fields in another order and letter case, with accents and blanks, a column no field names
// and a field no column takes are mapped by the first-contact test and from Python; these are
// the corners.
TEST(GuessNames, HeaderFieldsFindTheirColumnsByName) {
  const Strings columns{"codice", "nome", "citta", "order_date"};
  // Two fields naming one column: the first feeds it, both are named.
  HeaderMapping m = MapByName({"Nome", "Codice", "nome "}, columns);
  EXPECT_EQ(m.fieldOfColumn, (std::vector<int>{1, 0, -1, -1}));
  ASSERT_TRUE(m.duplicate);
  EXPECT_EQ(*m.duplicate, (std::array<std::string, 3>{"Nome", "nome ", "nome"}));
  // An empty field names nothing.
  m = MapByName({"", "codice"}, columns);
  EXPECT_EQ(m.fieldOfColumn, (std::vector<int>{1, -1, -1, -1}));
  EXPECT_EQ(m.unmatched, Strings{""});
}

}  // namespace
}  // namespace vandrel
