#include "output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "common.h"

namespace velk::tool {

namespace {

std::string RealText(double value, const char *format) {
  char text[40];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string CsvText(const std::string &text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string JsonText(const std::string &text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::string CellText(const Cell &cell, const char *real_format, Format format) {
  switch (cell.kind) {
    case Cell::Kind::kEmpty:
      return format == Format::kJson ? "null" : "";
    case Cell::Kind::kInteger:
      return std::to_string(cell.integer);
    case Cell::Kind::kReal:
      return RealText(cell.real, real_format);
    case Cell::Kind::kText:
      return format == Format::kJson ? JsonText(cell.text) : CsvText(cell.text);
  }
  return {};
}

void WriteCsv(const Report &report, std::FILE *out) {
  std::string line;
  for (size_t c = 0; c < report.columns.size(); ++c)
    line += (c ? "," : "") + CsvText(report.columns[c].name);
  std::fprintf(out, "%s\n", line.c_str());
  for (size_t row = 0; row < report.rows; ++row) {
    line.clear();
    for (size_t c = 0; c < report.columns.size(); ++c) {
      const Column &column = report.columns[c];
      if (c) line += ',';
      line += CellText(column.cell(row), column.real_format, Format::kCsv);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
  }
}

void WriteJson(const Report &report, std::FILE *out) {
  std::fprintf(out, "{\n");
  for (const Setting &setting : report.settings)
    std::fprintf(out, "  %s: %s,\n", JsonText(setting.name).c_str(),
                 CellText(setting.value, "%.10g", Format::kJson).c_str());
  std::string line = "  \"columns\": [";
  for (size_t c = 0; c < report.columns.size(); ++c)
    line += (c ? ", " : "") + JsonText(report.columns[c].name);
  std::fprintf(out, "%s],\n  \"rows\": [", line.c_str());
  for (size_t row = 0; row < report.rows; ++row) {
    line = row ? ",\n    {" : "\n    {";
    for (size_t c = 0; c < report.columns.size(); ++c) {
      const Column &column = report.columns[c];
      line += (c ? ", " : "") + JsonText(column.name) + ": " +
              CellText(column.cell(row), column.real_format, Format::kJson);
    }
    line += '}';
    std::fwrite(line.data(), 1, line.size(), out);
  }
  std::fprintf(out, report.rows ? "\n  ]\n}\n" : "]\n}\n");
}

void WriteRaw(const Report &report, std::FILE *out) {
  const Column *codes = nullptr;
  for (const Column &column : report.columns)
    if (column.name == report.raw_column) codes = &column;
  if (codes == nullptr) return;
  for (size_t row = 0; row < report.rows; ++row) {
    const auto word = static_cast<uint16_t>(codes->cell(row).integer);
    const unsigned char bytes[2] = {static_cast<unsigned char>(word & 0xFF),
                                    static_cast<unsigned char>(word >> 8)};
    std::fwrite(bytes, 1, 2, out);
  }
}

// The temporary file of the run, for the signal handler: at most one.
char g_temp_path[4096];

extern "C" void RemoveTempAndDie(int signal) {
  if (g_temp_path[0] != '\0') unlink(g_temp_path);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void RemoveTempOnSignals(const std::string &path) {
  if (path.size() >= sizeof g_temp_path) return;
  std::memcpy(g_temp_path, path.c_str(), path.size() + 1);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    std::signal(signal, RemoveTempAndDie);
}

void ForgetTemp() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    std::signal(signal, SIG_DFL);
  g_temp_path[0] = '\0';
}

std::string Reason() {
  return std::strerror(errno);
}

}  // namespace

bool WriteReport(const Report &report, Format format, std::FILE *out) {
  switch (format) {
    case Format::kCsv:
      WriteCsv(report, out);
      break;
    case Format::kJson:
      WriteJson(report, out);
      break;
    case Format::kRaw:
      WriteRaw(report, out);
      break;
  }
  return std::fflush(out) == 0 && !std::ferror(out);
}

OutputFile::OutputFile(const std::string &path) : path_(path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) Fail("cannot write " + path + ": it names a directory");
  std::string temp = dir + "." + name + ".velkio-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) Fail("cannot write " + path + ": " + Reason());
  temp_path_ = temp;
  RemoveTempOnSignals(temp_path_);
  // mkstemp makes the file private; the result gets the mode a new file would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  stream_ = fdopen(fd, "wb");
  if (stream_ == nullptr) {
    close(fd);
    Discard();
    Fail("cannot write " + path + ": " + Reason());
  }
}

OutputFile::~OutputFile() {
  Discard();
}

void OutputFile::Discard() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
  temp_path_.clear();
  ForgetTemp();
}

void OutputFile::Commit() {
  const bool written =
      std::fflush(stream_) == 0 && !std::ferror(stream_) && fsync(fileno(stream_)) == 0;
  const std::string reason = Reason();
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!written || !closed) {
    Discard();
    Fail("cannot write " + path_ + ": " + reason);
  }
  if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    const std::string why = Reason();
    Discard();
    Fail("cannot write " + path_ + ": " + why);
  }
  temp_path_.clear();
  ForgetTemp();
}

}  // namespace velk::tool
