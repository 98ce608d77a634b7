// The INI reader against a naive one that rescans the text for every read: a script of
// 10,000 keys is parsed and read 100,000 times. Prints both times and their ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini/ini_file.h"
#include "platform/text/ansi.h"

namespace {

constexpr int kSections = 100;
constexpr int kKeysPerSection = 100;
constexpr int kReads = 100000;

struct Workload {
  std::string text;
  std::vector<std::pair<std::string, std::string>> reads;  // section, key (mixed case)
};

const Workload& workload() {
  static const Workload w = [] {
    Workload out;
    for (int s = 0; s < kSections; ++s) {
      out.text += "[Option_" + std::to_string(s) + "]\r\n";
      for (int k = 0; k < kKeysPerSection; ++k)
        out.text += "f" + std::to_string(k) + "=C:\\Program Files\\Demo\\file" +
                    std::to_string(s * 1000 + k) + ".dll\r\n";
      out.text += "\r\n";
    }
    std::mt19937 rng(42);
    for (int i = 0; i < kReads; ++i) {
      int s = static_cast<int>(rng() % kSections),
          k = static_cast<int>(rng() % (kKeysPerSection + 5));  // a few misses
      out.reads.emplace_back((i % 2 ? "OPTION_" : "option_") + std::to_string(s),
                             (i % 3 ? "F" : "f") + std::to_string(k));
    }
    return out;
  }();
  return w;
}

// The peer: the same reading rules, applied by scanning the whole text on every read.
std::string naiveRead(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view def) {
  bool inSection = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line == "\x1a") continue;
    line = line.substr(0, 255);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      if (inSection) return std::string(def);  // first section of the name only
      inSection = platform::equalsIgnoreCase(line.substr(1, line.size() - 2), section);
      continue;
    }
    if (!inSection) continue;
    std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && platform::equalsIgnoreCase(line.substr(0, eq), key))
      return std::string(line.substr(eq + 1));
  }
  return std::string(def);
}

void BM_IniFile(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    platform::IniFile ini = platform::IniFile::fromText(w.text);
    std::size_t total = 0;
    for (const auto& [s, k] : w.reads) total += ini.readString(s, k, "").size();
    benchmark::DoNotOptimize(total);
  }
}

void BM_NaiveRescan(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    std::size_t total = 0;
    for (const auto& [s, k] : w.reads) total += naiveRead(w.text, s, k, "").size();
    benchmark::DoNotOptimize(total);
  }
}

BENCHMARK(BM_IniFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NaiveRescan)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prints what the console reporter prints, then the ratio of the two workloads' times.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.iterations <= 0) continue;
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find('/'));  // "BM_NaiveRescan/iterations:1"
      perRun_[name] =
          r.cpu_accumulated_time / static_cast<double>(r.iterations);  // CPU time: the machine is shared
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto ours = perRun_.find("BM_IniFile");
    auto peer = perRun_.find("BM_NaiveRescan");
    if (ours == perRun_.end() || peer == perRun_.end() || ours->second <= 0) return;
    std::printf(
        "\nparse %d keys + %d reads (CPU time): IniFile %.2f ms, naive rescan %.2f ms, naive/IniFile = "
        "%.1fx\n",
        kSections * kKeysPerSection, kReads, ours->second * 1e3, peer->second * 1e3,
        peer->second / ours->second);
  }

 private:
  std::map<std::string, double> perRun_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Both readers must agree before their speed means anything.
  const Workload& w = workload();
  platform::IniFile ini = platform::IniFile::fromText(w.text);
  for (std::size_t i = 0; i < w.reads.size(); i += 97) {
    const auto& [s, k] = w.reads[i];
    if (ini.readString(s, k, "<none>") != naiveRead(w.text, s, k, "<none>")) {
      std::fprintf(stderr, "readers disagree on [%s] %s\n", s.c_str(), k.c_str());
      return 1;
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
