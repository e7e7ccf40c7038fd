// The conversion of imported text to a column's declared type: strict, whatever SQLite would
// take, the same under every locale, and as the decimal separator and date order say.
#include "store/column_type.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using test::CatchError;

constexpr ValueFormat kComma{',', DateOrder::YMD};
constexpr ValueFormat kDayFirst{'.', DateOrder::DMY};
constexpr ValueFormat kMonthFirst{'.', DateOrder::MDY};

// What `text` becomes in a column of type `declared`: "i:N" (integer), "r:N" (real), "t:TEXT",
// "null", or the number of the error that refused it.
std::string Stored(std::string_view declared, std::string_view text,
                   const ValueFormat& format = {}) {
  Value v;
  try {
    ConvertText(ParseDeclaredType(declared), format, "c", text, v);
  } catch (const Error& e) {
    return std::to_string(e.number());
  }
  char real[32];
  std::snprintf(real, sizeof real, "%.15g", v.real);
  switch (v.type) {
    case Value::Type::Integer:
      return "i:" + std::to_string(v.integer);
    case Value::Type::Real:
      return std::string("r:") + real;
    case Value::Type::Text:
      return "t:" + v.text;
    default:
      return "null";
  }
}

// Expects each entry, "TYPE|text|what it becomes", under `format`.
void ExpectStored(const ValueFormat& format, std::initializer_list<std::string_view> entries) {
  for (std::string_view entry : entries) {
    const std::size_t type = entry.find('|'), text = entry.rfind('|');
    EXPECT_EQ(Stored(entry.substr(0, type), entry.substr(type + 1, text - type - 1), format),
              entry.substr(text + 1))
        << entry;
  }
}

std::string RefusalText(std::string_view declared, std::string_view text,
                        const ValueFormat& format = {}) {
  Value v;
  return CatchError([&] { ConvertText(ParseDeclaredType(declared), format, "c", text, v); })
      .description();
}

const std::string kRefused = std::to_string(kErrTypeConversion);

// Expects each of `texts` refused as a value of a column of type `declared` under `format`.
void ExpectRefused(std::string_view declared, std::initializer_list<const char*> texts,
                   const ValueFormat& format = {}) {
  for (const char* text : texts) EXPECT_EQ(Stored(declared, text, format), kRefused) << text;
}

TEST(ColumnType, IntegersKeepTheRangeOfTheirDeclaredType) {
  ExpectStored({},
               {"INTEGER| -42 |i:-42", "BIGINT|9223372036854775807|i:9223372036854775807",
                "INT|2147483647|i:2147483647", "SMALLINT|+32767|i:32767", "TINYINT|255|i:255",
                "INTEGER|  |null", "INT|2147483648|3421", "SMALLINT|-32769|3421", "TINYINT|-1|3421",
                "INTEGER|99999999999999999999|3421", "STRANGE_TYPE|abc|3421"});  // numeric affinity
  ExpectRefused("INTEGER", {"abc", "12abc", "1.5", "1,000", "+-5", "-", "0x10"});
}

// Whole numbers stay exact, not rounded through a double; a scale too fine for a double is
// refused rather than stored as NaN, unless nothing needs rounding.
TEST(ColumnType, RealsAndDecimalsTakeAPointAndRoundToTheirScale) {
  ExpectStored(
      {},
      {"REAL|1.5e3|r:1500", "DOUBLE PRECISION|-.25|r:-0.25", "DECIMAL(6,2)|1234.567|r:1234.57",
       "DECIMAL(10,2)|1.005e1|r:10.05", "NUMERIC|12345678901234567|i:12345678901234567",
       "DECIMAL(6,2)|12345.6|3421", "DECIMAL(700,400)|0.5|r:0.5", "DECIMAL(700,400)|0e7|r:0",
       "DECIMAL(700,400)|12|i:12",
       // The digits before the point are counted on the text, rounding included.
       "NUMERIC(38,10)|9999999999999999999999999999.9999999999|r:1e+28",
       "DECIMAL(5,2)|999.995|3421", "DECIMAL(5,2)|999.994|r:999.99", "NUMERIC(2,2)|0.0995|r:0.1"});
  ExpectRefused("REAL", {"1,5", "inf", "nan", "1.5.2", "e5", "1e", "12 34", "1e999"});
  for (const char* text : {"1e-5", "0.5E1", "12.5e-3"}) {
    EXPECT_NE(RefusalText("DECIMAL(700,400)", text).find("400 decimals"), std::string::npos);
  }
}

// A point alone groups thousands, it is never a decimal point; integers take the grouping but
// no fraction.
TEST(ColumnType, DecimalCommaTakesThousandsSeparatorsOnlyInTheirPlaces) {
  ExpectStored(
      kComma,
      {"REAL|1.250,50|r:1250.5", "REAL| 12 345,6 |r:12345.6",
       "REAL|1\u00A0234\u00A0567,25|r:1234567.25", "REAL|-1.000.000|r:-1000000", "REAL|+,5|r:0.5",
       "DOUBLE|1,5e3|r:1500", "REAL|1.250|r:1250", "DECIMAL(8,2)|1.234,567|r:1234.57",
       "DECIMAL(6,2)|12.345,6|3421", "NUMERIC|12.345.678.901.234.567|i:12345678901234567",
       "INTEGER|-1.234.567|i:-1234567", "SMALLINT|+32 767|i:32767", "REAL|  |null"});
  ExpectRefused("REAL",
                {"1.25,0", "1,2.5", "1.5", "12.34,5", "1.2345", "1234.567", ".250", "1..250",
                 "1. 250", "1.250 000", "0.250", "1,2,3", "e5", "12 34", "1,5e", "abc"},
                kComma);
  ExpectRefused("SMALLINT", {"1,0", "1.23", "+-5", "1e3", "32.768"}, kComma);
}

TEST(ColumnType, DatesAndTimesAreRealAndIsoUnlessTheOrderSaysOtherwise) {
  ExpectStored({},
               {"DATE|2024-02-29|t:2024-02-29", "DATETIME|2024-01-02T03:04|t:2024-01-02 03:04:00",
                "TIMESTAMP|2024-01-02 03:04:05.250|t:2024-01-02 03:04:05.250",
                "DATETIME|2024-01-02|t:2024-01-02 00:00:00", "TIME|23:59:59|t:23:59:59",
                "DATETIME|2024-01-02 24:00|3421", "TIME|7:30|3421"});
  ExpectStored(kDayFirst, {"DATE|12/04/1980|t:1980-04-12", "DATE|4.12.1980|t:1980-12-04",
                           "DATE|29-02-2024|t:2024-02-29", "DATE|1980-04-12|t:1980-04-12",
                           "DATETIME|12/04/1980|t:1980-04-12 00:00:00",
                           "TIMESTAMP|12.04.1980 07:05:09.5|t:1980-04-12 07:05:09.5"});
  ExpectStored(kMonthFirst,
               {"DATE|12/04/1980|t:1980-12-04", "DATE|2/29/2000|t:2000-02-29",
                "DATETIME|4/12/1980T23:59|t:1980-04-12 23:59:00", "DATE|13/12/1980|3421"});
  ExpectRefused("DATE", {"2023-02-29", "2024-13-01", "2024-04-31", "24-01-01", "01/02/2024",
                         "2024-01-01 10:00"});
  ExpectRefused(
      "DATE",
      {"12/04/80", "12/04/01980", "12/04-1980", "123/04/1980", "29/02/2023", "31/04/1980",
       "0/04/1980", "12/13/1980", "12/04/1980 10:00", "/04/1980", "12//1980", "12/04/0000"},
      kDayFirst);
  ExpectRefused("DATETIME", {"12/04/1980 24:00", "12/04/1980 7:00", "12/04/198010:00"}, kDayFirst);
}

TEST(ColumnType, BooleansTakeYesAndNoInFiveLanguagesInAnyCase) {
  for (const char* yes : {"s\u00EC", "S\u00CC", "Si", "VERO", "oui", "Vrai", "ja", "WAHR",
                          "s\u00ED", "S\u00CD", "Verdadero", "TRUE", "-1", " yes "}) {
    EXPECT_EQ(Stored("BOOLEAN", yes), "i:1") << yes;
  }
  for (const char* no : {"falso", "NON", "Faux", "nein", "FALSCH", "No", "0", "false"}) {
    EXPECT_EQ(Stored("BIT", no), "i:0") << no;
  }
  ExpectRefused(
      "BOOL", {"s", "s\u00EC\u00EC", "verdaderos", "n", "oui!", "vero 1", "\u00EC", "\u00D7", "2"});
}

// Text lengths count characters; an empty text stays a text; no declared type keeps the text.
TEST(ColumnType, TextLengthCountsCharactersNotBytes) {
  ExpectStored(
      {}, {"VARCHAR ( 5 )|città|t:città", "VARCHAR(5)|cittàx|3163", "TEXT||t:", "| 12 |t: 12 "});
  const std::string e = RefusalText("VARCHAR(2)", "abc");
  EXPECT_NE(e.find("'abc'"), std::string::npos);
  EXPECT_NE(e.find("'c'"), std::string::npos);
}

TEST(ColumnType, RefusalsSayWhatTheFormatExpectsAndQuoteOnlyTheStartOfALongValue) {
  EXPECT_NE(RefusalText("REAL", "1.5", kComma).find("',' as decimal separator"), std::string::npos);
  EXPECT_NE(RefusalText("INTEGER", "1,5", kComma).find("groups of three digits"),
            std::string::npos);
  EXPECT_NE(RefusalText("DATE", "31/12/80", kDayFirst).find("DD/MM/YYYY"), std::string::npos);
  EXPECT_NE(RefusalText("DATETIME", "x", kMonthFirst).find("MM/DD/YYYY[ HH:MM"), std::string::npos);
  EXPECT_EQ(RefusalText("REAL", "1,5").find("decimal separator"), std::string::npos);
  EXPECT_EQ(RefusalText("DATE", "12/04/1980").find("DD/MM"), std::string::npos);

  const std::string sevens(1 << 20, '7');
  const std::string quoted = "'" + std::string(200, '7') + "\u2026'";
  for (const auto& [declared, text] : {std::pair{"INTEGER", sevens},
                                       {"REAL", sevens + "x"},
                                       {"DATE", sevens},
                                       {"VARCHAR(5)", sevens}}) {
    const std::string e = RefusalText(declared, text);
    EXPECT_LT(e.size(), 600u) << declared;
    EXPECT_NE(e.find(quoted), std::string::npos) << declared;
  }
  // Characters, not bytes, are counted, and none is split; 200 characters are quoted whole.
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\u00E9";
  EXPECT_NE(RefusalText("CHAR(3)", accents).find("'" + accents.substr(0, 400) + "\u2026'"),
            std::string::npos);
  const std::string whole = sevens.substr(0, 199) + "x";
  EXPECT_NE(RefusalText("INTEGER", whole).find("'" + whole + "'"), std::string::npos);
}

}  // namespace
}  // namespace vandrel::store
