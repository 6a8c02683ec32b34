// What a subcommand hands back, and the writers that put it on standard output
// or into a file: CSV with a header row, JSON, or raw little-endian int16.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk::tool {

enum class Format { kCsv, kJson, kRaw };

// One cell: empty, a whole number, a real number or text.
struct Cell {
  enum class Kind { kEmpty, kInteger, kReal, kText } kind = Kind::kEmpty;
  int64_t integer = 0;
  double real = 0;
  std::string text;

  static Cell Empty() { return {}; }
  static Cell Integer(int64_t value) { return {Kind::kInteger, value, 0, {}}; }
  static Cell Real(double value) { return {Kind::kReal, 0, value, {}}; }
  static Cell Text(std::string value) { return {Kind::kText, 0, 0, std::move(value)}; }
};

using CellFunction = std::function<Cell(size_t row)>;

// A column computes its cells from the row index, so a block of samples is
// kept once, as the library stored it.
struct Column {
  std::string name;
  CellFunction cell;
  const char *real_format = "%.6f";  // how its real cells are printed
};

// A setting of the run, printed in the JSON output next to the rows.
struct Setting {
  std::string name;
  Cell value;
};

// One line of a terminal chart: the values of one channel in time order.
struct Series {
  std::string title;
  std::vector<double> values;
  std::string unit;            // of the values ("V", or "" for codes)
  std::string first_x;         // label of the first value ("0 s", "channel 0")
  std::string last_x;          // label of the last value
  std::optional<size_t> mark;  // a value to point at under the chart
  std::string mark_label;
};

struct Report {
  std::vector<Setting> settings;
  std::vector<Column> columns;
  size_t rows = 0;
  // The column raw output writes as int16; empty when there is none.
  std::string raw_column;
  std::vector<Series> plot;  // empty when the rows are nothing to draw
};

// Writes the report in format. Returns false when writing failed.
bool WriteReport(const Report &report, Format format, std::FILE *out);

// An output file written in full or not at all: the data goes to a temporary
// file in the same directory, renamed over path by Commit. A file not
// committed is removed, by the destructor or by a signal that ends the run.
class OutputFile {
 public:
  explicit OutputFile(const std::string &path);  // throws Failure
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  std::FILE *stream() { return stream_; }
  void Commit();  // throws Failure

 private:
  void Discard();

  std::string path_;
  std::string temp_path_;
  std::FILE *stream_ = nullptr;
};

}  // namespace velk::tool
