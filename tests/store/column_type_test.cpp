#include "store/column_type.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using test::CatchError;

constexpr ValueFormat kDecimalComma{',', DateOrder::YMD};
constexpr ValueFormat kDayFirst{'.', DateOrder::DMY};
constexpr ValueFormat kMonthFirst{'.', DateOrder::MDY};

Value Convert(std::string_view declared, std::string_view text, const ValueFormat& format = {}) {
  Value v;
  ConvertText(ParseDeclaredType(declared), format, "c", text, v);
  return v;
}

std::int32_t Refused(std::string_view declared, std::string_view text,
                     const ValueFormat& format = {}) {
  return CatchError([&] { Convert(declared, text, format); }).number();
}

std::string RefusalText(std::string_view declared, std::string_view text,
                        const ValueFormat& format = {}) {
  return CatchError([&] { Convert(declared, text, format); }).description();
}

TEST(ColumnType, IntegersKeepTheRangeOfTheirDeclaredType) {
  EXPECT_EQ(Convert("INTEGER", " -42 ").integer, -42);
  EXPECT_EQ(Convert("BIGINT", "9223372036854775807").integer, INT64_MAX);
  EXPECT_EQ(Convert("INT", "2147483647").integer, 2147483647);
  EXPECT_EQ(Convert("SMALLINT", "+32767").integer, 32767);
  EXPECT_EQ(Convert("TINYINT", "255").integer, 255);
  EXPECT_EQ(Refused("INT", "2147483648"), kErrTypeConversion);
  EXPECT_EQ(Refused("SMALLINT", "-32769"), kErrTypeConversion);
  EXPECT_EQ(Refused("TINYINT", "-1"), kErrTypeConversion);
  EXPECT_EQ(Refused("INTEGER", "99999999999999999999"), kErrTypeConversion);
  for (const char* bad : {"abc", "12abc", "1.5", "1,000", "+-5", "-", "0x10"}) {
    EXPECT_EQ(Refused("INTEGER", bad), kErrTypeConversion) << bad;
  }
  EXPECT_EQ(Convert("INTEGER", "").type, Value::Type::Null);
  EXPECT_EQ(Convert("INTEGER", "  ").type, Value::Type::Null);
}

TEST(ColumnType, RealsAndDecimalsUseAPointAndNoLocale) {
  EXPECT_DOUBLE_EQ(Convert("REAL", "1.5e3").real, 1500.0);
  EXPECT_DOUBLE_EQ(Convert("DOUBLE PRECISION", "-.25").real, -0.25);
  for (const char* bad : {"1,5", "inf", "nan", "1.5.2", "e5", "1e", "12 34"}) {
    EXPECT_EQ(Refused("REAL", bad), kErrTypeConversion) << bad;
  }
  EXPECT_EQ(Refused("REAL", "1e999"), kErrTypeConversion);
  EXPECT_DOUBLE_EQ(Convert("DECIMAL(6,2)", "1234.567").real, 1234.57);
  EXPECT_EQ(Refused("DECIMAL(6,2)", "12345.6"), kErrTypeConversion);
  // The digits before the point are counted on the text, rounding included.
  EXPECT_EQ(Convert("NUMERIC(38,10)", "9999999999999999999999999999.9999999999").type,
            Value::Type::Real);
  EXPECT_EQ(Refused("DECIMAL(5,2)", "999.995"), kErrTypeConversion);
  EXPECT_DOUBLE_EQ(Convert("DECIMAL(5,2)", "999.994").real, 999.99);
  EXPECT_DOUBLE_EQ(Convert("NUMERIC(2,2)", "0.0995").real, 0.1);
  const Value whole = Convert("NUMERIC", "12345678901234567");
  EXPECT_EQ(whole.type, Value::Type::Integer);  // exact, not rounded through a double
  EXPECT_EQ(whole.integer, 12345678901234567);
  EXPECT_EQ(Refused("STRANGE_TYPE", "abc"), kErrTypeConversion);  // numeric affinity
}

TEST(ColumnType, BooleansDatesAndTimes) {
  EXPECT_EQ(Convert("BOOLEAN", "Yes").integer, 1);
  EXPECT_EQ(Convert("BIT", "-1").integer, 1);
  EXPECT_EQ(Convert("BOOL", "false").integer, 0);
  EXPECT_EQ(Refused("BOOLEAN", "2"), kErrTypeConversion);

  EXPECT_EQ(Convert("DATE", "2024-02-29").text, "2024-02-29");
  for (const char* bad :
       {"2023-02-29", "2024-13-01", "2024-04-31", "24-01-01", "01/02/2024", "2024-01-01 10:00"}) {
    EXPECT_EQ(Refused("DATE", bad), kErrTypeConversion) << bad;
  }
  EXPECT_EQ(Convert("DATETIME", "2024-01-02T03:04").text, "2024-01-02 03:04:00");
  EXPECT_EQ(Convert("TIMESTAMP", "2024-01-02 03:04:05.250").text, "2024-01-02 03:04:05.250");
  EXPECT_EQ(Convert("DATETIME", "2024-01-02").text, "2024-01-02 00:00:00");
  EXPECT_EQ(Refused("DATETIME", "2024-01-02 24:00"), kErrTypeConversion);
  EXPECT_EQ(Convert("TIME", "23:59:59").text, "23:59:59");
  EXPECT_EQ(Refused("TIME", "7:30"), kErrTypeConversion);
}

TEST(ColumnType, TextLengthCountsCharactersNotBytes) {
  EXPECT_EQ(Convert("VARCHAR ( 5 )", "città").text, "città");
  EXPECT_EQ(Refused("VARCHAR(5)", "cittàx"), kErrTooLong);
  EXPECT_EQ(Refused("CHAR(2)", "abc"), kErrTooLong);
  EXPECT_EQ(Convert("TEXT", "").type, Value::Type::Text);  // an empty text stays a text
  EXPECT_EQ(Convert("", " 12 ").text, " 12 ");             // no declared type: kept as given
  const Error e = CatchError([] { Convert("VARCHAR(2)", "abc"); });
  EXPECT_NE(e.description().find("'abc'"), std::string::npos);
  EXPECT_NE(e.description().find("'c'"), std::string::npos);
}

TEST(ColumnType, DecimalCommaTakesThousandsSeparatorsOnlyInTheirPlaces) {
  EXPECT_DOUBLE_EQ(Convert("REAL", "1.250,50", kDecimalComma).real, 1250.5);
  EXPECT_DOUBLE_EQ(Convert("REAL", " 12 345,6 ", kDecimalComma).real, 12345.6);
  EXPECT_DOUBLE_EQ(Convert("REAL", "1\u00A0234\u00A0567,25", kDecimalComma).real, 1234567.25);
  EXPECT_DOUBLE_EQ(Convert("REAL", "-1.000.000", kDecimalComma).real, -1e6);
  EXPECT_DOUBLE_EQ(Convert("REAL", "+,5", kDecimalComma).real, 0.5);
  EXPECT_DOUBLE_EQ(Convert("DOUBLE", "1,5e3", kDecimalComma).real, 1500.0);
  EXPECT_DOUBLE_EQ(Convert("REAL", "0,25", kDecimalComma).real, 0.25);
  for (const char* bad :
       {"1.25,0", "1,2.5", "1.5", "12.34,5", "1.2345", "1234.567", ".250", "1..250", "1. 250",
        "1.250 000", "0.250", "1,2,3", "e5", "12 34", "1,5e", "abc"}) {
    EXPECT_EQ(Refused("REAL", bad, kDecimalComma), kErrTypeConversion) << bad;
  }
  // A point alone is a thousands separator under a decimal comma, never a decimal point.
  EXPECT_DOUBLE_EQ(Convert("REAL", "1.250", kDecimalComma).real, 1250.0);
  // Decimals keep their digit limits and whole numbers stay exact.
  EXPECT_DOUBLE_EQ(Convert("DECIMAL(8,2)", "1.234,567", kDecimalComma).real, 1234.57);
  EXPECT_EQ(Refused("DECIMAL(6,2)", "12.345,6", kDecimalComma), kErrTypeConversion);
  const Value whole = Convert("NUMERIC", "12.345.678.901.234.567", kDecimalComma);
  EXPECT_EQ(whole.type, Value::Type::Integer);
  EXPECT_EQ(whole.integer, 12345678901234567);
  // Integers take the separators but no fraction.
  EXPECT_EQ(Convert("INTEGER", "-1.234.567", kDecimalComma).integer, -1234567);
  EXPECT_EQ(Convert("SMALLINT", "+32 767", kDecimalComma).integer, 32767);
  for (const char* bad : {"1,0", "1.23", "+-5", "1e3", "32.768"}) {
    EXPECT_EQ(Refused("SMALLINT", bad, kDecimalComma), kErrTypeConversion) << bad;
  }
  EXPECT_EQ(Convert("REAL", "  ", kDecimalComma).type, Value::Type::Null);
}

TEST(ColumnType, RefusalsSayWhatTheFormatExpects) {
  EXPECT_NE(RefusalText("REAL", "1.5", kDecimalComma).find("',' as decimal separator"),
            std::string::npos);
  EXPECT_NE(RefusalText("INTEGER", "1,5", kDecimalComma).find("groups of three digits"),
            std::string::npos);
  EXPECT_NE(RefusalText("DATE", "31/12/80", kDayFirst).find("DD/MM/YYYY"), std::string::npos);
  EXPECT_NE(RefusalText("DATETIME", "x", kMonthFirst).find("MM/DD/YYYY[ HH:MM"), std::string::npos);
  // The defaults keep their words.
  EXPECT_EQ(RefusalText("REAL", "1,5").find("decimal separator"), std::string::npos);
  EXPECT_EQ(RefusalText("DATE", "12/04/1980").find("DD/MM"), std::string::npos);
}

TEST(ColumnType, DayFirstAndMonthFirstDatesBesidesIso) {
  EXPECT_EQ(Convert("DATE", "12/04/1980", kDayFirst).text, "1980-04-12");
  EXPECT_EQ(Convert("DATE", "4.12.1980", kDayFirst).text, "1980-12-04");
  EXPECT_EQ(Convert("DATE", "29-02-2024", kDayFirst).text, "2024-02-29");
  EXPECT_EQ(Convert("DATE", "1980-04-12", kDayFirst).text, "1980-04-12");  // ISO still
  EXPECT_EQ(Convert("DATE", "12/04/1980", kMonthFirst).text, "1980-12-04");
  EXPECT_EQ(Convert("DATE", "2/29/2000", kMonthFirst).text, "2000-02-29");
  for (const char* bad :
       {"12/04/80", "12/04/01980", "12/04-1980", "123/04/1980", "29/02/2023", "31/04/1980",
        "0/04/1980", "12/13/1980", "12/04/1980 10:00", "/04/1980", "12//1980", "12/04/0000"}) {
    EXPECT_EQ(Refused("DATE", bad, kDayFirst), kErrTypeConversion) << bad;
  }
  EXPECT_EQ(Refused("DATE", "13/12/1980", kMonthFirst), kErrTypeConversion);
  EXPECT_EQ(Refused("DATE", "12/04/1980"), kErrTypeConversion);  // ISO only by default

  EXPECT_EQ(Convert("DATETIME", "12/04/1980", kDayFirst).text, "1980-04-12 00:00:00");
  EXPECT_EQ(Convert("TIMESTAMP", "12.04.1980 07:05:09.5", kDayFirst).text, "1980-04-12 07:05:09.5");
  EXPECT_EQ(Convert("DATETIME", "4/12/1980T23:59", kMonthFirst).text, "1980-04-12 23:59:00");
  for (const char* bad : {"12/04/1980 24:00", "12/04/1980 7:00", "12/04/198010:00"}) {
    EXPECT_EQ(Refused("DATETIME", bad, kDayFirst), kErrTypeConversion) << bad;
  }
}

TEST(ColumnType, BooleansTakeYesAndNoInFiveLanguagesInAnyCase) {
  for (const char* yes : {"s\u00EC", "S\u00CC", "Si", "VERO", "oui", "Vrai", "ja", "WAHR",
                          "s\u00ED", "S\u00CD", "Verdadero", "TRUE", "-1", " yes "}) {
    EXPECT_EQ(Convert("BOOLEAN", yes).integer, 1) << yes;
  }
  for (const char* no : {"falso", "NON", "Faux", "nein", "FALSCH", "No", "0", "false"}) {
    EXPECT_EQ(Convert("BOOLEAN", no).integer, 0) << no;
  }
  for (const char* bad :
       {"s", "s\u00EC\u00EC", "verdaderos", "n", "oui!", "vero 1", "\u00EC", "\u00D7", "2"}) {
    EXPECT_EQ(Refused("BOOLEAN", bad), kErrTypeConversion) << bad;
  }
}

TEST(ColumnType, ErrorTextsQuoteOnlyTheStartOfALongValue) {
  const std::string sevens(1 << 20, '7');
  const std::string quoted = std::string(200, '7') + "\u2026'";
  for (const auto& [declared, text] : {std::pair{"INTEGER", sevens}, std::pair{"REAL", sevens + "x"},
                                       std::pair{"DATE", sevens}, std::pair{"VARCHAR(5)", sevens}}) {
    const Error e = CatchError([&] { Convert(declared, text); });
    EXPECT_LT(e.description().size(), 600u) << declared;
    EXPECT_NE(e.description().find("'" + quoted), std::string::npos) << declared;
  }
  // Characters, not bytes, are counted, and none is split.
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\u00E9";
  const Error e = CatchError([&] { Convert("CHAR(3)", accents); });
  EXPECT_NE(e.description().find("'" + accents.substr(0, 400) + "\u2026'"), std::string::npos);
  // A value of exactly 200 characters is quoted whole.
  const Error whole = CatchError([&] { Convert("INTEGER", sevens.substr(0, 199) + "x"); });
  EXPECT_NE(whole.description().find("'" + sevens.substr(0, 199) + "x'"), std::string::npos);
}

TEST(ColumnType, ADecimalScaleTooFineForADoubleIsRefusedNeverNaN) {
  for (const char* text : {"1e-5", "0.5E1", "12.5e-3"}) {
    const Error e = CatchError([&] { Convert("DECIMAL(700,400)", text); });
    EXPECT_EQ(e.number(), kErrTypeConversion) << text;
    EXPECT_NE(e.description().find("400 decimals"), std::string::npos) << e.description();
  }
  // What needs no rounding is stored as it is; zero needs none whatever its form.
  EXPECT_EQ(Convert("DECIMAL(700,400)", "0.5").real, 0.5);
  EXPECT_EQ(Convert("DECIMAL(700,400)", "0e7").real, 0.0);
  EXPECT_EQ(Convert("DECIMAL(700,400)", "12").integer, 12);
  EXPECT_EQ(Convert("DECIMAL(10,2)", "1.005e1").real, 10.05);
}

}  // namespace
}  // namespace vandrel::store
