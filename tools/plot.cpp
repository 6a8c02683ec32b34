#include "plot.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common.h"

namespace velk::tool {

namespace {

constexpr int kMinWidth = 24;
constexpr int kMaxWidth = 1000;
constexpr int kDotsAcross = 2;
constexpr int kDotsDown = 4;

// The braille bit of the dot in column dx (0-1) and row dy (0-3) of a cell.
uint8_t DotBit(int dx, int dy) {
  static constexpr uint8_t kBits[kDotsAcross][kDotsDown] = {{0x01, 0x02, 0x04, 0x40},
                                                            {0x08, 0x10, 0x20, 0x80}};
  return kBits[dx][dy];
}

std::string Braille(uint8_t bits) {
  const unsigned code = 0x2800u + bits;
  return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
          static_cast<char>(0x80 | (code & 0x3F))};
}

std::string Label(double value, const std::string &unit) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return unit.empty() ? text : std::string(text) + " " + unit;
}

std::string Repeat(const std::string &piece, int times) {
  std::string line;
  for (int i = 0; i < times; ++i)
    line += piece;
  return line;
}

std::string Pad(const std::string &text, size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

class Canvas {
 public:
  Canvas(int columns, int rows) : columns_(columns), rows_(rows), cells_(columns * rows, 0) {}

  int dots_across() const { return columns_ * kDotsAcross; }
  int dots_down() const { return rows_ * kDotsDown; }

  // Sets the dots of column x from row top down to row bottom.
  void Line(int x, int top, int bottom) {
    for (int y = top; y <= bottom; ++y)
      cells_[(y / kDotsDown) * columns_ + x / kDotsAcross] |=
          DotBit(x % kDotsAcross, y % kDotsDown);
  }

  std::string Row(int row) const {
    std::string text;
    for (int c = 0; c < columns_; ++c)
      text += Braille(cells_[row * columns_ + c]);
    return text;
  }

 private:
  int columns_;
  int rows_;
  std::vector<uint8_t> cells_;
};

// Each dot column covers a run of values (at least one) and draws a line from
// their minimum to their maximum, joined to the column before it.
void Draw(Canvas &canvas, const std::vector<double> &values, double low, double high) {
  const size_t n = values.size();
  const int across = canvas.dots_across();
  const int down = canvas.dots_down();
  auto row_of = [&](double value) {
    const double from_top = (high - value) / (high - low) * (down - 1);
    return std::clamp(static_cast<int>(std::lround(from_top)), 0, down - 1);
  };
  int previous = -1;
  for (int x = 0; x < across; ++x) {
    // In 64 bits: a long block times a wide terminal overflows a 32-bit size_t.
    const auto first = static_cast<size_t>(uint64_t{static_cast<unsigned>(x)} * n / across);
    const auto end = std::max(
        static_cast<size_t>(uint64_t{static_cast<unsigned>(x) + 1} * n / across), first + 1);
    const auto [min, max] = std::minmax_element(values.begin() + first, values.begin() + end);
    int top = row_of(*max);
    int bottom = row_of(*min);
    if (previous >= 0) {
      top = std::min(top, previous);
      bottom = std::max(bottom, previous);
    }
    canvas.Line(x, top, bottom);
    previous = row_of(values[end - 1]);
  }
}

std::string Chart(const Series &series, int width, int rows) {
  const auto [min, max] = std::minmax_element(series.values.begin(), series.values.end());
  double low = *min;
  double high = *max;
  if (high - low < 1e-12) {
    low -= 1;
    high += 1;
  }
  const std::string top = Label(high, series.unit);
  const std::string bottom = Label(low, series.unit);
  const size_t gutter = std::max(top.size(), bottom.size()) + 1;
  const int columns = std::max(width - static_cast<int>(gutter) - 1, kMinWidth / 2);

  Canvas canvas(columns, rows);
  Draw(canvas, series.values, low, high);

  std::string chart = series.title.empty() ? "" : series.title + "\n";
  for (int row = 0; row < rows; ++row) {
    const std::string label = row == 0 ? top : row == rows - 1 ? bottom : "";
    chart += Pad(label, gutter) + (label.empty() ? "│" : "┤") + canvas.Row(row) + "\n";
  }
  chart += std::string(gutter, ' ') + "└" + Repeat("─", columns) + "\n";

  const size_t span = static_cast<size_t>(columns) + 1;
  std::string axis = series.first_x;
  axis += Pad(series.last_x, span > axis.size() ? span - axis.size() : 1);
  chart += std::string(gutter, ' ') + axis + "\n";

  if (series.mark) {
    const auto column = static_cast<size_t>(
        std::min<uint64_t>(uint64_t{*series.mark} * columns / series.values.size(), columns - 1));
    chart += std::string(gutter + 1 + column, ' ') + "↑ " + series.mark_label + "\n";
  }
  return chart;
}

}  // namespace

std::string Plot(const std::vector<Series> &series, int width, int rows) {
  std::string text;
  for (const Series &one : series)
    if (!one.values.empty()) text += Chart(one, std::clamp(width, kMinWidth, kMaxWidth), rows);
  return text;
}

int TerminalWidth() {
  if (const char *columns = std::getenv("COLUMNS")) {
    const std::optional<int64_t> value = ParseInteger(columns);
    if (value && *value > 0) return static_cast<int>(std::min<int64_t>(*value, kMaxWidth));
  }
  for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  }
  return 80;
}

}  // namespace velk::tool
