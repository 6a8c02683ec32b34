// Terminal charts of captured samples in Unicode braille: two dots across and
// four down in each character cell, so a chart of a few rows still shows the
// shape of a signal.
#pragma once

#include <string>
#include <vector>

#include "output.h"

namespace velk::tool {

inline constexpr int kPlotRows = 8;

// Draws each series as a chart width columns wide in all (labels included),
// rows character rows high, with its minimum and maximum labelled on the left
// and the first and last x labels below.
std::string Plot(const std::vector<Series> &series, int width, int rows = kPlotRows);

// The width to fit: COLUMNS when set, else the terminal of standard output or
// standard error, else 80.
int TerminalWidth();

}  // namespace velk::tool
