#pragma once
// What every benchmark prints and how it makes sure the two sides did the
// same work. A figure is the median of at least MinPairs ratios, each from one
// pair of runs (A and B, in turn A first and B first), after a warm-up pair
// that is not counted: on a shared machine single runs stray by a factor of
// two either way. Where two sides differ by a few per cent, that noise (which
// only ever adds time) moves even the median: such figures are judged on the
// ratio of the two sides' lower quartiles over all rounds instead.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace bench {

inline constexpr int MinPairs = 7;
// A ratio bench's pair takes a few seconds and its two sides differ by a few
// per cent, well inside one pair's noise: more pairs than the least. The
// lower quartile of 15 rounds still moved by 2 % between runs of the same work.
inline constexpr int RatioPairs = 25;
// A pair in which the host gave more than this share of the machine's
// processor time to other guests timed the neighbours, not the sides.
inline constexpr double MaxSteal = 0.05;

// Runs both sides of pair number `pair`, A first in even pairs and B first in
// odd ones, so that an order effect favours neither.
template <class TSideA, class TSideB>
void RunPair(int pair, TSideA&& a, TSideB&& b) {
  if (pair % 2 == 0) {
    a();
    b();
  } else {
    b();
    a();
  }
}

// Of sorted values.
inline double Median(const std::vector<double>& sorted) {
  const size_t n = sorted.size();
  return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// The value a quarter of the way up the values.
inline double LowerQuartile(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const double at = static_cast<double>(values.size() - 1) / 4;
  const std::size_t below = static_cast<std::size_t>(at);
  if (below + 1 >= values.size()) return values[below];
  return values[below] + (at - static_cast<double>(below)) * (values[below + 1] - values[below]);
}

// Under Wine the figure comes from whichever build runs on the machine.
inline const char* BuildNote() {
#if defined(_WIN64)
  return " [64-bit Windows build]";
#elif defined(_WIN32)
  return " [32-bit Windows build]";
#else
  return "";
#endif
}

// Prints "bench NAME: M UNIT (min A, max B, N pairs; goal GOAL)".
inline void PrintFigure(const char* name, std::vector<double> values, const char* unit, const char* counted,
                        const char* goal, const char* note = "") {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  if (n == 0) return;
  std::printf("bench %s: %.2f %s (min %.2f, max %.2f, %zu %s; goal %s)%s%s\n", name, Median(values), unit,
              values.front(), values.back(), n, counted, goal, note, BuildNote());
  std::fflush(stdout);
}

// The ratios of a ratio bench: the first pair warms up, and a pair that ran
// while the host took more than MaxSteal ("steal" in PROC_STAT, the host's
// /proc/stat) is run again, at most RatioPairs times in all.
class TRatioPairs {
public:
  explicit TRatioPairs(std::filesystem::path procStat) : FProcStat(std::move(procStat)) {}

  bool More() const { return FRatios.size() < static_cast<std::size_t>(RatioPairs); }
  int Index() const { return FIndex; }  // for RunPair

  // Runs one side of the pair and returns its seconds.
  template <class TRun>
  double TimeSide(TRun&& run) {
    const auto [steal, total] = Ticks();
    const auto start = std::chrono::steady_clock::now();
    run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto [stealAfter, totalAfter] = Ticks();
    FSteal += stealAfter - steal;
    FTicks += totalAfter - total;
    return seconds;
  }

  // The pair's seconds of side A and side B: their ratio counts unless the
  // host took the processors; every round but the warm-up counts for the
  // quartiles, whose noise only ever adds time.
  void End(double secondsA, double secondsB) {
    const bool stolen = static_cast<double>(FSteal) > MaxSteal * static_cast<double>(FTicks);
    FSteal = FTicks = 0;
    if (FIndex++ == 0) return;
    FSides[0].push_back(secondsA);
    FSides[1].push_back(secondsB);
    if (stolen && FRedone < RatioPairs) {
      ++FRedone;
      return;
    }
    FRatios.push_back(secondsA / secondsB);
  }
  // "bench NAME: M x (min A, max B, N pairs; goal GOAL)": the median of pairs.
  void Print(const char* name, const char* goal) const {
    PrintFigure(name, FRatios, "x", "pairs", goal, Note().c_str());
  }
  // "bench NAME: Q x (lower quartiles over N rounds; median of pairs M, min
  // A, max B; goal GOAL)".
  void PrintQuartiles(const char* name, const char* goal) const {
    if (FRatios.empty()) return;
    std::vector<double> ratios = FRatios;
    std::sort(ratios.begin(), ratios.end());
    std::printf("bench %s: %.2f x (lower quartiles over %zu rounds; median of pairs %.2f, min %.2f, max %.2f; "
                "goal %s)%s%s\n",
                name, LowerQuartile(FSides[0]) / LowerQuartile(FSides[1]), FSides[0].size(), Median(ratios),
                ratios.front(), ratios.back(), goal, Note().c_str(), BuildNote());
    std::fflush(stdout);
  }

private:
  std::string Note() const {
    return FRedone == 0 ? std::string()
                        : " [" + std::to_string(FRedone) + " pairs run again: the host took the processors]";
  }

  // Steal and all ticks of every processor; zeros when unreadable, and
  // then every pair counts.
  std::pair<long long, long long> Ticks() const {
    std::ifstream in(FProcStat);
    std::string cpu;
    long long field = 0, steal = 0, total = 0;
    in >> cpu;
    for (int i = 0; i < 8 && in >> field; ++i) {
      total += field;
      if (i == 7) steal = field;
    }
    return {steal, total};
  }

  std::filesystem::path FProcStat;
  long long FSteal = 0, FTicks = 0;  // of this pair's sides
  std::vector<double> FRatios;
  std::vector<double> FSides[2];  // seconds of every round after the warm-up
  int FIndex = 0;
  int FRedone = 0;
};

// Relative path -> size (-1 for a folder) of everything below `root`.
inline std::map<std::filesystem::path, long long> TreeOf(const std::filesystem::path& root) {
  std::map<std::filesystem::path, long long> tree;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    tree[it->path().lexically_relative(root)] = it->is_directory() ? -1 : static_cast<long long>(it->file_size());
  }
  return tree;
}

// 64 bits of every byte of a file, 8 at a time; 0 for a folder.
inline std::uint64_t DigestOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint64_t> words(1 << 17);
  std::uint64_t digest = 0x9E3779B97F4A7C15ull;
  while (in) {
    std::fill(words.begin(), words.end(), 0);
    in.read(reinterpret_cast<char*>(words.data()), static_cast<std::streamsize>(words.size() * sizeof(words[0])));
    const std::size_t used = (static_cast<std::size_t>(in.gcount()) + 7) / 8;
    for (std::size_t i = 0; i < used; ++i) {
      digest = (digest ^ words[i]) * 0xFF51AFD7ED558CCDull;
      digest ^= digest >> 29;
    }
  }
  return digest;
}

// Relative path -> size and digest of everything below `root`: what a side
// wrote, kept while its files make room for the other side's.
inline std::map<std::filesystem::path, std::pair<long long, std::uint64_t>> ContentsOf(
    const std::filesystem::path& root) {
  std::map<std::filesystem::path, std::pair<long long, std::uint64_t>> contents;
  for (const auto& [name, size] : TreeOf(root)) contents[name] = {size, size >= 0 ? DigestOf(root / name) : 0};
  return contents;
}

}  // namespace bench
