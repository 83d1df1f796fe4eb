// Runs the fuzz target without libFuzzer: over the files (or the files in
// the folders) named on the command line, or, without arguments, over a
// fixed series of generated inputs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void RunGenerated() {
  static constexpr char kAlphabet[] = "%<!-/*;\\\"'ab\n";
  std::mt19937 random(1);
  std::uniform_int_distribution<size_t> length(0, 200);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 2);
  std::uniform_int_distribution<int> type(0, 3);
  for (int i = 0; i < 100000; ++i) {
    std::string input(1, static_cast<char>(type(random)));
    for (size_t n = length(random); n > 0; --n) input += kAlphabet[pick(random)];
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    RunGenerated();
    std::printf("100000 generated inputs agreed\n");
    return 0;
  }
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) {
          RunFile(entry.path());
          ++count;
        }
      }
    } else {
      RunFile(path);
      ++count;
    }
  }
  std::printf("%zu inputs agreed\n", count);
  return 0;
}
