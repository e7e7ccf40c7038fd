// The dialect of a delimited file: its separator and text delimiter. Every candidate pair reads
// the sample with the import's own quoting rules, so a separator inside quotes does not count,
// and the pair whose records agree best on a field count over one wins.
#include <algorithm>
#include <array>
#include <map>

#include "engine/line_cut.h"
#include "guess/guess_phases.h"
#include "guess/value_reading.h"

namespace vandrel::guess {
namespace {

constexpr std::array<char32_t, 5> kSeparators{U',', U';', U'\t', U'|', U' '};
// The field count a rule under a header stands for: none.
constexpr int kRule = -1;

// The quotes ('"', '\'') that open a field somewhere in the sample, where a field opens: at a
// line's start or right after the separator. Elsewhere a quote is an ordinary character.
std::array<bool, 2> OpeningQuotes(const Sample& sample, char separator) {
  std::array<bool, 2> opens{false, false};
  for (const SampleLine& line : sample.lines) {
    const std::string_view text = line.text;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (i > 0 && text[i - 1] != separator) continue;
      if (text[i] == '"') opens[0] = true;
      if (text[i] == '\'') opens[1] = true;
    }
  }
  return opens;
}

// The delimiters worth reading the sample with, best first. Where no quote opens a field the
// delimiter is '"': nothing changes for the sample, and it is right for the writers that quote
// only the fields that need it. Where one does, reading without it is tried as well.
std::vector<std::optional<char32_t>> DelimiterCandidates(const Sample& sample, char separator) {
  const std::array<bool, 2> opens = OpeningQuotes(sample, separator);
  std::vector<std::optional<char32_t>> delimiters;
  if (opens[0]) delimiters.push_back(U'"');
  if (opens[1]) delimiters.push_back(U'\'');
  delimiters.push_back(opens[0] ? std::nullopt : std::optional<char32_t>(U'"'));
  return delimiters;
}

struct Candidate {
  Dialect dialect;
  std::size_t order = 0;  // its place among the pairs tried, for the last tie-break
  std::size_t typed = 0;  // fields reading as numbers, dates or Booleans; counted on a tie
};

// How many records have each field count (over one, unless `oneField`).
std::map<int, std::size_t> Frequencies(const std::vector<int>& counts, bool oneField) {
  std::map<int, std::size_t> frequency;
  for (int n : counts) {
    if (n > 1 || (oneField && n == 1)) ++frequency[n];
  }
  return frequency;
}

// The field count most records have, the larger on a tie.
int MostCommon(const std::map<int, std::size_t>& frequency) {
  int best = 1;
  std::size_t most = 0;
  for (const auto& [n, times] : frequency) {
    if (times >= most) best = n, most = times;
  }
  return best;
}

// The field counts the table's rows have: the most common, and every other many rows share,
// for a table may leave trailing fields out (a header naming every column over rows that
// stop at their last value). Not so for the blank, which pads fixed-width text and parts the
// words of prose: a varying count of blank-separated fields is no table.
std::vector<int> RowFieldCounts(const std::vector<int>& counts, std::optional<char32_t> separator) {
  const std::map<int, std::size_t> frequency = Frequencies(counts, !separator);
  const int mostCommon = MostCommon(frequency);
  std::vector<int> rowFields;
  for (const auto& [n, times] : frequency) {
    const bool many = times >= 2 && times * 10 >= counts.size();
    if (n == mostCommon || (many && separator && *separator != U' ')) rowFields.push_back(n);
  }
  if (rowFields.empty()) rowFields.push_back(1);
  return rowFields;
}

bool Fits(const Dialect& d, int count) {
  return std::find(d.rowFields.begin(), d.rowFields.end(), count) != d.rowFields.end();
}

std::size_t Fitting(const Dialect& d, const std::vector<int>& counts, std::size_t from) {
  return static_cast<std::size_t>(std::count_if(counts.begin() + static_cast<std::ptrdiff_t>(from),
                                                counts.end(), [&](int n) { return Fits(d, n); }));
}

// Where the table starts: at the first two fitting records in a row (or the last record), a
// rule under a header passed over. The records above it are lines above the table (a title,
// notes), if they are fewer than the table's fitting records; else the table starts with the
// file.
std::size_t TableStart(const Dialect& d, const std::vector<int>& counts) {
  std::size_t start = 0;
  while (start < counts.size() && !Fits(d, counts[start])) ++start;
  for (std::size_t r = start; r < counts.size(); ++r) {
    std::size_t next = r + 1;
    while (next < counts.size() && counts[next] == kRule) ++next;
    if (Fits(d, counts[r]) && (next == counts.size() || Fits(d, counts[next]))) {
      start = r;
      break;
    }
  }
  return start < counts.size() && Fitting(d, counts, start) > start ? start : 0;
}

// Reads the sample under one pair and measures it.
Dialect Measure(const Sample& sample, std::optional<char32_t> separator,
                std::optional<char32_t> delimiter) {
  const DelimitedLayout layout{separator.value_or(U'\n'), delimiter, 0};
  const QuoteRule quoting = QuoteRuleOf(layout);
  DelimitedCutter cutter(layout);
  const std::vector<SampleRecord> records = RecordsOf(sample, &quoting);
  std::vector<int> counts;
  std::vector<std::string_view> fields;
  std::size_t rules = 0;
  for (const SampleRecord& record : records) {
    CutRecord(cutter, record.text, fields);
    const bool rule = IsRuleLine(record.text);
    rules += rule ? 1 : 0;
    counts.push_back(rule ? kRule : record.open ? 0 : static_cast<int>(fields.size()));
  }
  Dialect d;
  d.separator = separator;
  d.delimiter = delimiter;
  d.rowFields = RowFieldCounts(counts, separator);
  d.fields = d.rowFields.back();
  const int mostCommon = MostCommon(Frequencies(counts, !separator));
  const std::size_t start = TableStart(d, counts);
  d.tableLine = start < records.size() ? records[start].line : 0;
  // Rules are neither records of the table nor bad ones.
  d.records = counts.size() - rules;
  d.consistent = static_cast<std::size_t>(std::count(counts.begin(), counts.end(), mostCommon));
  d.fitting = Fitting(d, counts, 0);
  d.tableRecords =
      static_cast<std::size_t>(std::count_if(counts.begin() + static_cast<std::ptrdiff_t>(start),
                                             counts.end(), [](int n) { return n != kRule; }));
  d.tableFitting = Fitting(d, counts, start);
  return d;
}

// Whether `a` fits its records better (1) than `b`, as well (0) or worse (-1); the shares are
// compared cross-multiplied, with no rounding.
int CompareConsistency(const Dialect& a, const Dialect& b) {
  const std::size_t left = a.consistent * b.records;
  const std::size_t right = b.consistent * a.records;
  return left == right ? 0 : left > right ? 1 : -1;
}

std::size_t TypedFields(const Sample& sample, const Dialect& dialect) {
  std::size_t typed = 0;
  for (const TableRow& row : CutDelimited(sample, dialect).rows) {
    typed += static_cast<std::size_t>(
        std::count_if(row.fields.begin(), row.fields.end(),
                      [](const std::string& f) { return ReadsAsTyped(f); }));
  }
  return typed;
}

// The best of candidates that fit equally well: more typed fields, then more fields, then the
// earlier pair.
bool BetterOnTie(const Candidate& a, const Candidate& b) {
  if (a.typed != b.typed) return a.typed > b.typed;
  if (a.dialect.fields != b.dialect.fields) return a.dialect.fields > b.dialect.fields;
  return a.order < b.order;
}

Dialect Best(const Sample& sample, std::vector<Candidate> candidates) {
  if (candidates.empty()) return OneFieldPerLine(sample);
  std::vector<Candidate> tied{candidates.front()};
  for (std::size_t i = 1; i < candidates.size(); ++i) {
    const int c = CompareConsistency(candidates[i].dialect, tied.front().dialect);
    if (c > 0) tied.clear();
    if (c >= 0) tied.push_back(candidates[i]);
  }
  // Counting typed fields costs conversions: only a tie needs it.
  if (tied.size() > 1) {
    for (Candidate& c : tied) c.typed = TypedFields(sample, c.dialect);
  }
  return std::min_element(tied.begin(), tied.end(), BetterOnTie)->dialect;
}

}  // namespace

Dialect GuessDialect(const Sample& sample) {
  std::vector<Candidate> candidates;
  for (char32_t separator : kSeparators) {
    for (std::optional<char32_t> delimiter :
         DelimiterCandidates(sample, static_cast<char>(separator))) {
      Dialect d = Measure(sample, separator, delimiter);
      if (d.fields > 1) candidates.push_back({d, candidates.size(), 0});
    }
  }
  return Best(sample, std::move(candidates));
}

Dialect OneFieldPerLine(const Sample& sample) {
  // A line's only field opens at its start; LF stands for "no separator" there.
  Dialect best;
  bool first = true;
  for (std::optional<char32_t> delimiter : DelimiterCandidates(sample, '\n')) {
    const Dialect d = Measure(sample, std::nullopt, delimiter);
    if (first || CompareConsistency(d, best) > 0) best = d;
    first = false;
  }
  return best;
}

}  // namespace vandrel::guess
