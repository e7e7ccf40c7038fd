#include "store/postgres_values.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>

#include "store/convert_support.h"
#include "vandrel/error.h"

namespace vandrel::store {
namespace {

constexpr std::int64_t kMicrosPerDay = 86'400'000'000;
// 2000-01-01, the server's epoch, in days after 1970-01-01.
constexpr std::int64_t kServerEpochDays = 10957;

void AppendBigEndian(std::string& out, std::uint64_t v, int bytes) {
  char b[8];
  PutBigEndian(b, v, bytes);
  out.append(b, static_cast<std::size_t>(bytes));
}

// `out` becomes `v` in network byte order: a value's whole binary form.
void SetBigEndian(std::string& out, std::uint64_t v, int bytes) {
  out.resize(static_cast<std::size_t>(bytes));
  PutBigEndian(out.data(), v, bytes);
}

std::uint64_t ReadBigEndian(std::string_view s, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

// Days after 1970-01-01 of a proleptic Gregorian date, and back (Howard Hinnant's algorithms).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = static_cast<int>(z - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400) + (m <= 2);
}

int Number(std::string_view s, std::size_t at, std::size_t width) {
  int v = 0;
  for (std::size_t i = 0; i < width; ++i) v = v * 10 + (s[at + i] - '0');
  return v;
}

// ConvertText's ISO date "YYYY-MM-DD", in days after the server's epoch.
std::int64_t ServerDays(std::string_view iso) {
  return DaysFromCivil(Number(iso, 0, 4), Number(iso, 5, 2), Number(iso, 8, 2)) - kServerEpochDays;
}

// ConvertText's time "HH:MM:SS[.fraction]" in microseconds; the fraction rounds as the
// server's own input routine rounds it (to the nearest microsecond, as a double).
std::int64_t Micros(std::string_view t) {
  std::int64_t us =
      (Number(t, 0, 2) * 3600LL + Number(t, 3, 2) * 60LL + Number(t, 6, 2)) * 1'000'000;
  if (t.size() > 8) {
    std::string fraction = "0";
    fraction.append(t.substr(8));
    double f = 0;
    std::from_chars(fraction.data(), fraction.data() + fraction.size(), f);
    us += static_cast<std::int64_t>(std::rint(f * 1'000'000));
  }
  return us;
}

// A decimal number written plainly (sign, digits, '.', digits, exponent) in the server's
// numeric send format: base-10000 digits, the weight of the first, the sign and the scale
// to show. The scale is the decimals written, as the server's text input would keep them;
// the server rounds to the column's own scale.
void EncodeNumeric(std::string_view s, std::string& out) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  std::string digits;
  int before = 0, after = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++before) digits += s[i];
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i, ++after) digits += s[i];
  }
  int exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && s[i] == '+') ++i;
    std::from_chars(s.data() + i, s.data() + s.size(), exponent);
  }
  const int scale = std::max(0, after - exponent);
  int point = before + exponent;  // digits before the point
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    digits.clear();
    point = 0;
  } else {
    digits.erase(0, first);
    point -= static_cast<int>(first);
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  // The point on a group boundary: zeros in front, then whole groups.
  const int lead = (4 - ((point % 4) + 4) % 4) % 4;
  digits.insert(0, static_cast<std::size_t>(lead), '0');
  point += lead;
  digits.append((4 - digits.size() % 4) % 4, '0');
  const std::size_t groups = digits.size() / 4;
  out.resize(8 + 2 * groups);
  char* p = out.data();
  PutBigEndian(p, groups, 2);
  PutBigEndian(p + 2, static_cast<std::uint16_t>(groups ? point / 4 - 1 : 0), 2);
  PutBigEndian(p + 4, negative && groups ? 0x4000 : 0, 2);
  PutBigEndian(p + 6, static_cast<std::uint64_t>(scale), 2);
  for (std::size_t g = 0; g < groups; ++g) {
    PutBigEndian(p + 8 + 2 * g, static_cast<std::uint64_t>(Number(digits, g * 4, 4)), 2);
  }
}

void AppendPadded(std::string& out, std::int64_t v, int width) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
  for (auto n = end - digits; n < width; ++n) out += '0';
  out.append(digits, end);
}

void AppendNumericText(std::string_view b, std::string& out) {
  const auto groups = static_cast<int>(static_cast<std::int16_t>(ReadBigEndian(b, 0, 2)));
  const auto weight = static_cast<int>(static_cast<std::int16_t>(ReadBigEndian(b, 2, 2)));
  const bool negative = ReadBigEndian(b, 4, 2) == 0x4000;
  const auto scale = static_cast<int>(ReadBigEndian(b, 6, 2));
  auto group = [&](int g) {  // the group of weight `weight - g`, 0 beyond the digits
    return g >= 0 && g < groups ? static_cast<int>(ReadBigEndian(b, 8 + 2 * g, 2)) : 0;
  };
  if (negative) out += '-';
  if (weight < 0) {
    out += '0';
  } else {
    for (int g = 0; g <= weight; ++g) AppendPadded(out, group(g), g == 0 ? 1 : 4);
  }
  if (scale == 0) return;
  out += '.';
  std::string fraction;
  for (int g = weight + 1; static_cast<int>(fraction.size()) < scale; ++g) {
    AppendPadded(fraction, group(g), 4);
  }
  out.append(fraction, 0, static_cast<std::size_t>(scale));
}

void AppendTimeText(std::int64_t us, std::string& out) {
  AppendPadded(out, us / 3'600'000'000, 2);
  out += ':';
  AppendPadded(out, us / 60'000'000 % 60, 2);
  out += ':';
  AppendPadded(out, us / 1'000'000 % 60, 2);
  out += '.';
  AppendPadded(out, us % 1'000'000, 6);
}

void AppendDateText(std::int64_t days, std::string& out) {
  int y, m, d;
  CivilFromDays(days + kServerEpochDays, y, m, d);
  AppendPadded(out, y, 4);
  out += '-';
  AppendPadded(out, m, 2);
  out += '-';
  AppendPadded(out, d, 2);
}

template <typename Float>
void AppendFloatText(Float f, std::string& out) {
  char digits[32];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, f);
  out.append(digits, end);
}

// Text with COPY's four special characters escaped. Runs of plain characters are copied
// whole: this is the innermost loop of a text COPY.
void AppendEscaped(std::string_view text, std::string& out) {
  static constexpr auto kEscaped = [] {
    std::array<bool, 256> escaped{};
    for (unsigned char c : {'\\', '\t', '\n', '\r'}) escaped[c] = true;
    return escaped;
  }();
  const char* p = text.data();
  const char* const end = p + text.size();
  const char* run = p;
  for (; p != end; ++p) {
    const char c = *p;
    if (kEscaped[static_cast<unsigned char>(c)]) {
      out.append(run, p);
      out += '\\';
      out += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
      run = p + 1;
    }
  }
  out.append(run, end);
}

}  // namespace

void AppendInt16(std::string& out, std::int16_t v) {
  AppendBigEndian(out, static_cast<std::uint16_t>(v), 2);
}

void AppendInt32(std::string& out, std::int32_t v) {
  AppendBigEndian(out, static_cast<std::uint32_t>(v), 4);
}

std::string_view BinaryCopyHeader() {
  // Signature, flags (no OIDs), header extension length.
  static constexpr char kHeader[] = "PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0";
  return std::string_view(kHeader, 19);
}

std::string_view BinaryCopyTrailer() {
  return std::string_view("\377\377", 2);
}

WireKind WireKindOf(const ColumnType& type) {
  switch (type.kind) {
    case ColumnKind::Integer:
      return type.max <= 32767        ? WireKind::Int2
             : type.max <= 2147483647 ? WireKind::Int4
                                      : WireKind::Int8;
    case ColumnKind::Real:
      return type.declared == "real" ? WireKind::Float4 : WireKind::Float8;
    case ColumnKind::Decimal:
      return WireKind::Numeric;
    case ColumnKind::Boolean:
      return WireKind::Bool;
    case ColumnKind::Date:
      return WireKind::Date;
    case ColumnKind::Time:
      return WireKind::Time;
    case ColumnKind::DateTime:
      return type.declared.find("with time zone") == std::string::npos ? WireKind::Timestamp
                                                                       : WireKind::Raw;
    case ColumnKind::Text:
      return WireKind::Text;
    case ColumnKind::Any:
      break;
  }
  return WireKind::Raw;
}

void EncodeValue(WireKind kind, const ColumnType& type, std::string_view column,
                 std::string_view text, std::string_view plain, Value& value) {
  if (value.type == Value::Type::Null) return;
  std::string& out = value.text;
  switch (kind) {
    case WireKind::Int2:
    case WireKind::Int4:
    case WireKind::Int8:
      SetBigEndian(out, static_cast<std::uint64_t>(value.integer),
                   kind == WireKind::Int2   ? 2
                   : kind == WireKind::Int4 ? 4
                                            : 8);
      break;
    case WireKind::Float4: {
      const auto f = static_cast<float>(value.real);
      if (std::isinf(f) || (f == 0 && value.real != 0)) {
        Refuse(kErrTypeConversion, column, type, text, "out of range");
      }
      SetBigEndian(out, std::bit_cast<std::uint32_t>(f), 4);
      break;
    }
    case WireKind::Float8:
      SetBigEndian(out, std::bit_cast<std::uint64_t>(value.real), 8);
      break;
    case WireKind::Numeric:
      EncodeNumeric(plain, out);
      break;
    case WireKind::Bool:
      out.assign(1, value.integer ? '\1' : '\0');
      break;
    case WireKind::Date: {
      const std::int64_t days = ServerDays(out);
      SetBigEndian(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(days)), 4);
      break;
    }
    case WireKind::Time: {
      const std::int64_t us = Micros(out);
      SetBigEndian(out, static_cast<std::uint64_t>(us), 8);
      break;
    }
    case WireKind::Timestamp: {
      const std::int64_t us =
          ServerDays(out) * kMicrosPerDay + Micros(std::string_view(out).substr(11));
      SetBigEndian(out, static_cast<std::uint64_t>(us), 8);
      break;
    }
    case WireKind::Text:
    case WireKind::Raw:
      break;  // the text as it is
  }
  value.type = Value::Type::Text;
}

void AppendCopyText(WireKind kind, const Value& value, std::string& out) {
  if (value.type == Value::Type::Null) {
    out += "\\N";
    return;
  }
  const std::string_view b = value.text;
  switch (kind) {
    case WireKind::Int2:
      AppendPadded(out, static_cast<std::int16_t>(ReadBigEndian(b, 0, 2)), 1);
      break;
    case WireKind::Int4:
      AppendPadded(out, static_cast<std::int32_t>(ReadBigEndian(b, 0, 4)), 1);
      break;
    case WireKind::Int8:
      AppendPadded(out, static_cast<std::int64_t>(ReadBigEndian(b, 0, 8)), 1);
      break;
    case WireKind::Float4:
      AppendFloatText(std::bit_cast<float>(static_cast<std::uint32_t>(ReadBigEndian(b, 0, 4))),
                      out);
      break;
    case WireKind::Float8:
      AppendFloatText(std::bit_cast<double>(ReadBigEndian(b, 0, 8)), out);
      break;
    case WireKind::Numeric:
      AppendNumericText(b, out);
      break;
    case WireKind::Bool:
      out += b[0] ? 't' : 'f';
      break;
    case WireKind::Date:
      AppendDateText(static_cast<std::int32_t>(ReadBigEndian(b, 0, 4)), out);
      break;
    case WireKind::Time:
      AppendTimeText(static_cast<std::int64_t>(ReadBigEndian(b, 0, 8)), out);
      break;
    case WireKind::Timestamp: {
      const auto us = static_cast<std::int64_t>(ReadBigEndian(b, 0, 8));
      const std::int64_t days =
          us >= 0 ? us / kMicrosPerDay : (us - kMicrosPerDay + 1) / kMicrosPerDay;
      AppendDateText(days, out);
      out += ' ';
      AppendTimeText(us - days * kMicrosPerDay, out);
      break;
    }
    case WireKind::Text:
    case WireKind::Raw:
      AppendEscaped(b, out);
      break;
  }
}

}  // namespace vandrel::store
