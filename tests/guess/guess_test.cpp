// The layout guess on whole files, written as other programs write them: Italian semicolon
// files, Excel's UTF-16 "Unicode text", fixed-width reports and listings. (A spreadsheet's CSV
// is sniffed and imported by the command line's first-contact test.)
#include "vandrel/guess.h"

#include <gtest/gtest.h>

#include "engine/line_cut.h"
#include "test_support.h"

namespace vandrel {
namespace {

using store::DateOrder;

std::string Character(std::optional<char32_t> c) {
  if (!c) return "none";
  if (*c == U'\t') return "TAB";
  return *c == U' ' ? "SPACE" : EncodeUtf8(*c);
}

// The guess in one line, so that a failure shows all of it.
std::string Summary(const LayoutGuess& g) {
  const char* dates[] = {"YMD", "DMY", "MDY"};
  std::string s = g.encoding + (g.fixedWidth ? " fixed" : " sep=" + Character(g.separator)) +
                  " quote=" + Character(g.delimiter) + " skip=" + std::to_string(g.skip) +
                  (g.header ? " header@" + std::to_string(g.headerLine) : std::string(" no-header")) + " decimal=" + g.decimal + " " +
                  dates[static_cast<int>(g.dates)] + " |";
  for (const GuessedColumn& c : g.columns) {
    s += " " + c.name + ":" + c.type;
    if (g.fixedWidth) s += "[" + std::to_string(c.begin) + "-" + std::to_string(c.end) + "]";
  }
  return s;
}

class GuessFile : public ::testing::Test {
 protected:
  LayoutGuess Guess(const std::string& bytes, const GuessOptions& options = {}) {
    test::WriteFile(dir.file("in.txt"), bytes);
    return GuessLayout(dir.file("in.txt"), options);
  }
  test::TempDir dir;
};

struct FileCase {
  const char* what;
  std::string bytes;
  const char* expected;
};

// Each file, and its guess in one line.
const FileCase kFiles[] = {
    {"Italian semicolon file: decimal commas, day-first dates, Windows-1252",
     "Codice;Citt\xE0;Prezzo;Data\n1;Forl\xEC;12,50;25/12/2023\n2;Roma;1.250,00;01/02/2024\n"
     "3;Bari;0,99;3/4/2024\n",
     "windows-1252 sep=; quote=\" skip=1 header@1 decimal=, DMY | Codice:INTEGER "
     "Citt\u00E0:TEXT Prezzo:DECIMAL(18,2) Data:DATE"},
    {"no header, one decimal comma a line: only ';' keeps 12,50 whole", "1;12,50\n2;3,75\n3;0,99\n",
     "utf-8 sep=; quote=\" skip=0 no-header decimal=, YMD | column1:INTEGER "
     "column2:DECIMAL(18,2)"},
    {"Excel's Unicode text: UTF-16LE with a byte-order mark, TAB-separated",
     test::Utf16(u"Nome\tCitt\u00E0\tVoto\tPromosso\r\nAnna\tForl\u00EC\t7,5\tS\u00EC\r\n"
                 u"Bruno\tRoma\t6\tNo\r\n"),
     "utf-16le sep=TAB quote=\" skip=1 header@1 decimal=, YMD | Nome:TEXT Citt\u00E0:TEXT "
     "Voto:REAL Promosso:BOOLEAN"},
    {"UTF-16LE without a byte-order mark, which `auto` takes for single bytes",
     test::Utf16(u"Nome\tCitt\u00E0\r\nAnna\tForl\u00EC\r\nBruno\tRoma\r\n", false, false),
     "utf-16le sep=TAB quote=\" skip=1 header@1 decimal=. YMD | Nome:TEXT Citt\u00E0:TEXT"},
    {"pipe-separated, Booleans as words", "code|qty|active\nA|1|true\nB|2|false\nC|3|TRUE\n",
     "utf-8 sep=| quote=\" skip=1 header@1 decimal=. YMD | code:TEXT qty:INTEGER "
     "active:BOOLEAN"},
    {"one field a line", "amount\n12\n-7\n300\n",
     "utf-8 sep=none quote=\" skip=1 header@1 decimal=. YMD | amount:INTEGER"},
    {"no header", "1,Anna,2024-01-05\n2,Bruno,2024-02-06\n",
     "utf-8 sep=, quote=\" skip=0 no-header decimal=. YMD | column1:INTEGER column2:TEXT "
     "column3:DATE"},
    {"a header alone", "id,name,city\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. YMD | id:TEXT name:TEXT city:TEXT"},
    {"one data line", "7;Anna;2024-01-05 10:30\n",
     "utf-8 sep=; quote=\" skip=0 no-header decimal=. YMD | column1:INTEGER column2:TEXT "
     "column3:DATETIME"},
    {"a header of text columns: names that never come again", "name,city\nAnna,Roma\nBruno,Roma\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. YMD | name:TEXT city:TEXT"},
    {"title, notes and a blank line above the table",
     "Sales report\nMarch 2024, all shops\n\nshop;amount\nA;5,5\nB;6\n",
     "utf-8 sep=; quote=\" skip=4 header@4 decimal=, YMD | shop:TEXT amount:REAL"},
    {"leading zeros are data; 0 and 1 are numbers", "zip,flag,n\n08123,0,1\n00100,1,2\n40121,1,3\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. YMD | zip:TEXT flag:INTEGER n:INTEGER"},
    {"month-first dates and a time", "when,at\n12/31/2023,12/31/2023 23:59\n1/2/2024,\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. MDY | when:DATE at:DATETIME"},
    {"a quote inside a field is text: no field opens with one", "h,w\n5'10\",tall\n6'1\",taller\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. YMD | h:TEXT w:TEXT"},
    {"single quotes as text delimiter", "'id','name'\n'1','Ann, Jr'\n'2','Bo'\n",
     "utf-8 sep=, quote=' skip=1 header@1 decimal=. YMD | id:INTEGER name:TEXT"},
    {"a final separator ends a line whose last field is empty", "a;b;c\nx;1;2\ny;3;\nz;4;5\n",
     "utf-8 sep=; quote=\" skip=1 header@1 decimal=. YMD | a:TEXT b:INTEGER c:INTEGER"},
    {"rows that leave their last fields out, under a header naming them all",
     "version,codename,created,eol,eol-lts\n1.1,Buzz,1993-08-16,1997-06-05\n"
     "1.2,Rex,1996-06-17,1998-06-05\n2.0,Hamm,1997-06-05,2000-03-09\n"
     "7,Wheezy,2011-02-06,2016-04-25,2018-05-31\n8,Jessie,2013-05-04,2018-06-17,2020-06-30\n",
     "utf-8 sep=, quote=\" skip=1 header@1 decimal=. YMD | version:REAL codename:TEXT "
     "created:DATE eol:DATE eol-lts:DATE"},
    {"a spreadsheet's title and empty rows above the header",
     "Quarterly report,,,\r\n,,,\r\nRegion,Q1,Q2,Q3\r\nNorth,1250.00,980.50,1100.00\r\n"
     "South,870.00,910.25,1020.75\r\n",
     "utf-8 sep=, quote=\" skip=3 header@3 decimal=. YMD | Region:TEXT Q1:DECIMAL(18,2) "
     "Q2:DECIMAL(18,2) Q3:DECIMAL(18,2)"},
    {"psql's aligned output: a rule under the header, a count below the rows",
     " id | name  | amount \n----+-------+--------\n  1 | Anna  |  12.50\n  2 | Bo    |   7.25\n"
     "  3 | Cy    | 100.00\n(3 rows)\n\n",
     "utf-8 sep=| quote=\" skip=2 header@1 decimal=. YMD | id:INTEGER name:TEXT "
     "amount:DECIMAL(18,2)"},
    {"nothing to make sense of: one field a line, no header",
     "Caro Mario,\nl'ordine \x93urgente\x94 \xE8 partito ieri sera.\nSaluti\n",
     "windows-1252 sep=none quote=\" skip=0 no-header decimal=. YMD | column1:TEXT"},
    {"empty file", "", "utf-8 sep=none quote=\" skip=0 no-header decimal=. YMD | column1:TEXT"},
    {"a fixed-width report under a title and a header line",
     "CUSTOMERS 2024\n"
     "\n"
     "Code  Name        City      Amount\n"
     "0001  Anna Rossi  Roma       12.50\n"
     "0002  Bruno Bo    Milano    130.00\n"
     "0003  Carla       Torino      1.25\n"
     "0004  Dario       Bari        7.00\n",
     "utf-8 fixed quote=none skip=3 header@3 decimal=. YMD | Code:TEXT[1-6] Name:TEXT[7-18] "
     "City:TEXT[19-28] Amount:DECIMAL(18,2)[29-34]"},
    {"a header crossing the blank columns is left out of them, and still names the fields",
     "Customer code Name        Amount\n"
     "0001          Anna         12.5\n"
     "0002          Bruno       130.0\n"
     "0003          Carla         1.2\n",
     "utf-8 fixed quote=none skip=1 header@1 decimal=. YMD | Customer code:TEXT[1-14] "
     "Name:TEXT[15-26] Amount:DECIMAL(18,1)[27-32]"},
    {"df: names wider than the right-aligned numbers below them, which leave blank columns "
     "where a wider name begins",
     "Filesystem     1K-blocks    Used Available Use% Mounted on\n"
     "udev             8041224       0   8041224   0% /dev\n"
     "tmpfs            1613504    2148   1611356   1% /run\n"
     "/dev/nvme0n1p2 490617784 4321616 461306260   1% /\n"
     "tmpfs            8067508  118872   7948636   2% /dev/shm\n",
     "utf-8 fixed quote=none skip=1 header@1 decimal=. YMD | Filesystem:TEXT[1-15] "
     "1K-blocks:INTEGER[16-25] Used:INTEGER[26-33] Available:INTEGER[34-45] "
     "Use%:TEXT[46-48] Mounted on:TEXT[49-58]"},
    {"sqlite3's column mode: a rule under the header",
     "id  name        amount\n"
     "--  ----------  ------\n"
     "1   Anna Rossi  12.5  \n"
     "2   Bo          7.25  \n"
     "3   Carla       100.0 \n",
     "utf-8 fixed quote=none skip=2 header@1 decimal=. YMD | id:INTEGER[1-4] name:TEXT[5-16] "
     "amount:REAL[17-22]"},
};

TEST_F(GuessFile, FilesAsOtherProgramsWriteThem) {
  for (const FileCase& c : kFiles) {
    EXPECT_EQ(Summary(Guess(c.bytes)), c.expected) << c.what;
  }
}

TEST_F(GuessFile, TheUsersChoiceOfTypeOrEncodingHolds) {
  // Blank-separated as it stands, and fixed width as well.
  const std::string both = "0001 Anna 12\n0002 Bobo 13\n";
  EXPECT_EQ(Summary(Guess(both)),
            "utf-8 sep=SPACE quote=\" skip=0 no-header decimal=. YMD | column1:TEXT column2:TEXT "
            "column3:INTEGER");
  GuessOptions fixed;
  fixed.fixedWidth = true;
  EXPECT_EQ(Summary(Guess(both, fixed)),
            "utf-8 fixed quote=none skip=0 no-header decimal=. YMD | column1:TEXT[1-5] "
            "column2:TEXT[6-10] column3:INTEGER[11-12]");
  const std::string report = "0001  Anna  12\n0002  Bo    13\n0003  Cy    14\n";
  EXPECT_TRUE(Guess(report).fixedWidth);
  GuessOptions delimited;
  delimited.fixedWidth = false;
  EXPECT_FALSE(Guess(report, delimited).fixedWidth);
  GuessOptions latin1;
  latin1.encoding = TextEncoding::Windows1252;
  const LayoutGuess utf8AsLatin1 = Guess("Citt\xC3\xA0;Nome\nRoma;Anna\n", latin1);
  EXPECT_EQ(utf8AsLatin1.encoding, "windows-1252");
  EXPECT_EQ(utf8AsLatin1.columns.at(0).name, "Citt\u00C3\u00A0");
}

TEST_F(GuessFile, AmbiguousDayMonthDatesKeepTheHostsOrder) {
  for (DateOrder host : {DateOrder::YMD, DateOrder::DMY, DateOrder::MDY}) {
    GuessOptions options;
    options.hostFormat.dateOrder = host;
    const LayoutGuess g = Guess("d;n\n05/06/2024;1.250\n07/08/2024;2.500\n", options);
    EXPECT_EQ(g.dates, host);
    EXPECT_EQ(g.columns.at(0).type, host == DateOrder::YMD ? "TEXT" : "DATE");
  }
  GuessOptions comma;
  comma.hostFormat.decimalSeparator = ',';
  EXPECT_EQ(Guess("n\n1.250\n2.500\n", comma).decimal, ',');  // 1250 or 1.25: the host says
  EXPECT_EQ(Guess("n\n1.250\n2.5\n", comma).decimal, '.');    // 2.5 reads only with '.'
}

// Past the first MiB, lines would make every column text. (Past the first 1,000 records: the
// first-contact test imports such a file.)
TEST_F(GuessFile, TheSampleDecidesWhateverComesAfterIt) {
  std::string bytes = "id;name;price\n";
  const std::string name(2000, 'n');
  for (int i = 1; bytes.size() < (1 << 20); ++i)
    bytes += std::to_string(i) + ";" + name + ";1,50\n";
  for (int i = 0; i < 100; ++i) bytes += "bad;" + std::string(300, 'x') + ";no price\n";
  EXPECT_EQ(Summary(Guess(bytes)),
            "utf-8 sep=; quote=\" skip=1 header@1 decimal=, YMD | id:INTEGER name:TEXT "
            "price:DECIMAL(18,2)");
}

TEST_F(GuessFile, AMissingFileIsTheUsualError) {
  EXPECT_EQ(test::CatchError([&] { GuessLayout(dir.file("none.txt")); }).number(),
            kErrFileNotFound);
}

TEST_F(GuessFile, LayoutsBuiltFromAGuessCutAsGuessed) {
  // One field a line: nothing in a line splits it, not even a comma or a tab.
  const LayoutGuess lines = Guess("alpha\nbeta\ngamma\n");
  DelimitedCutter cutter(DelimitedLayoutOf(lines));
  std::vector<std::string_view> fields;
  cutter.Cut("a, b;\tc | d", fields);
  EXPECT_EQ(fields, (std::vector<std::string_view>{"a, b;\tc | d"}));
  // Fixed width: the guess's columns, and no separator.
  const FixedLayout f = FixedLayoutOf(Guess("0001  Anna  12\n0002  Bo    13\n0003  Cy    14\n"));
  ASSERT_EQ(f.columns.size(), 3u);
  EXPECT_TRUE(f.columns[1].begin == 7 && f.columns[1].end == 12 && !f.separator);
}

}  // namespace
}  // namespace vandrel
