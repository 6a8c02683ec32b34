// Runs the fuzz target over saved inputs (files, or every file of a folder),
// so the corpus and every input that once broke a promise run as a test in
// every build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

void Replay(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char **argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto &entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) Replay(entry.path()), ++replayed;
    } else if (std::filesystem::exists(path)) {
      Replay(path), ++replayed;
    }
  }
  std::printf("replayed %zu inputs, every promise kept\n", replayed);
  return replayed == 0 ? 1 : 0;
}
