// Runs a fuzz target without libFuzzer: every file of the given corpus
// directories, then generated inputs. The generated inputs mutate
// the seeds the way damaged or hostile line traffic looks (flipped bytes,
// frame starts and end bytes put anywhere, length fields set to edge values,
// truncation, splicing two inputs, command and type bytes of the parsers)
// and add plain random bytes. The generator
// is seeded with a fixed value, so a failure repeats.
//
// Usage: replay [--runs=N] DIR_OR_FILE...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
using Bytes = std::vector<uint8_t>;

void run(const Bytes& input) {
  // A buffer of exactly the input's size, as libFuzzer hands it over.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[input.size()]);
  if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());
  LLVMFuzzerTestOneInput(exact.get(), input.size());
}

Bytes mutate(const std::vector<Bytes>& seeds, std::mt19937& rng) {
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
  Bytes b;
  if (seeds.empty() || rng() % 8 == 0) {
    b.resize(pick(1400));
    for (auto& x : b) x = static_cast<uint8_t>(rng());
  } else {
    b = seeds[pick(seeds.size())];
  }
  const int edits = 1 + static_cast<int>(rng() % 6);
  for (int e = 0; e < edits; ++e) {
    switch (rng() % 8) {
      case 0:  // flip a byte
        if (!b.empty()) b[pick(b.size())] ^= static_cast<uint8_t>(1 + rng() % 255);
        break;
      case 1: {  // a frame start anywhere
        const size_t at = pick(b.size() + 1);
        const uint8_t start[] = {0xA5, 0x6C};
        b.insert(b.begin() + static_cast<long>(at), start, start + 1 + rng() % 2);
        break;
      }
      case 2:  // an end byte anywhere
        if (!b.empty()) b[pick(b.size())] = 0xAE;
        break;
      case 3: {  // a length field at an edge value, after some frame start
        static const uint16_t lengths[] = {0,  1,  2,   5,    6,    16,   17,    19,
                                           20, 21, 666, 1023, 1024, 1025, 0xFFFF};
        for (size_t i = 0; i + 3 < b.size(); ++i) {
          if (b[i] == 0xA5 && b[i + 1] == 0x6C && rng() % 2 == 0) {
            uint16_t len = lengths[pick(std::size(lengths))];
            if (rng() % 3 == 0) len = static_cast<uint16_t>(b.size() - i + (rng() % 5) - 2);
            b[i + 2] = static_cast<uint8_t>(len);
            b[i + 3] = static_cast<uint8_t>(len >> 8);
            break;
          }
        }
        break;
      }
      case 4:  // truncate
        b.resize(pick(b.size() + 1));
        break;
      case 5: {  // splice with another seed
        if (!seeds.empty()) {
          const Bytes& other = seeds[pick(seeds.size())];
          const size_t from = pick(other.size() + 1);
          b.insert(b.begin() + static_cast<long>(pick(b.size() + 1)),
                   other.begin() + static_cast<long>(from), other.end());
        }
        break;
      }
      case 6:  // command, type and separator bytes
        if (b.size() > 18) {
          static const uint8_t values[] = {0xFF, 0x32, 0x50, 0x90, 0xA1, 0x2D};
          b[pick(b.size())] = values[pick(std::size(values))];
        }
        break;
      default:  // drop a run of bytes
        if (!b.empty()) {
          const size_t at = pick(b.size());
          b.erase(b.begin() + static_cast<long>(at),
                  b.begin() + static_cast<long>(std::min(b.size(), at + 1 + pick(40))));
        }
        break;
    }
  }
  return b;
}
}  // namespace

int main(int argc, char** argv) {
  long runs = 3000;
  std::vector<Bytes> seeds;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--runs=", 0) == 0) {
      runs = std::strtol(arg.c_str() + 7, nullptr, 10);
      continue;
    }
    // A file is one input (a saved crash, say); a directory is a corpus.
    std::error_code ec;
    const auto read_input = [&seeds](const std::filesystem::path& path) {
      std::ifstream in(path, std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    if (std::filesystem::is_regular_file(arg, ec)) {
      read_input(arg);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
      if (entry.is_regular_file()) read_input(entry.path());
    if (ec) {
      std::fprintf(stderr, "cannot read corpus directory %s\n", arg.c_str());
      return 2;
    }
  }
  // An empty corpus would leave only random bytes, which rarely get past the
  // first test of any parser: a wrong path must not pass quietly.
  if (seeds.empty()) {
    std::fprintf(stderr, "no corpus inputs given\n");
    return 2;
  }
  std::sort(seeds.begin(), seeds.end());
  for (const Bytes& s : seeds) run(s);
  run(Bytes{});
  std::mt19937 rng(20240611u);
  for (long i = 0; i < runs; ++i) run(mutate(seeds, rng));
  std::printf("%zu seeds and %ld generated inputs ran clean\n", seeds.size(), runs);
  return 0;
}
