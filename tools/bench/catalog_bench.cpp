// How much the catalog reader costs over parsing servers.xml alone. Lists of
// 10, 1,000 and 10,000 servers are generated into a scratch folder. For each
// size the bare TinyXML load, the listing of one account type and the lookup
// of the last location are timed on their own, and then each reader call is
// timed in pairs with a bare load of the same file, alternating which goes
// first. The table at the end gives the median of those paired ratios, which
// stays steady on a shared machine where absolute times wander.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tinyxml.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "serverlist/server_catalog.h"
#include "support/servers_xml.h"

namespace {

constexpr int kSizes[] = {10, 1000, 10000};
std::map<long, std::string> g_catalogs;  // number of servers -> file

std::string Location(long i) { return "Frankfurt am Main " + std::to_string(i); }

// A list shaped like the provider's, a third of the servers dedicated.
void WriteCatalog(const std::string& path, long servers) {
  std::string entries;
  for (long i = 0; i < servers; ++i) {
    const std::string address = "de" + std::to_string(i) + ".vpn.norva.invalid";
    entries += norva::testing::ServerXml(
        {i % 3 == 2 ? "dedicated" : "shared", Location(i).c_str(), address.c_str()});
  }
  std::ofstream(path, std::ios::binary) << norva::testing::ServersXml(entries);
}

void BareParse(const std::string& path) {
  TiXmlDocument document(path.c_str());
  document.LoadFile();
  benchmark::DoNotOptimize(document.FirstChild());
}

void List(const std::string& path) {
  std::vector<std::string> rows = norva::ListLocations(path, norva::AccountType::Shared);
  benchmark::DoNotOptimize(rows.data());
}

// Looks up the last location of a list of `servers` entries.
bool FindLast(const std::string& path, long servers) {
  std::string address;
  const bool found = norva::FindServerAddress(path, Location(servers - 1), address, 128);
  benchmark::DoNotOptimize(address.data());
  return found;
}

void BM_BareParse(benchmark::State& state) {
  for (auto _ : state) BareParse(g_catalogs.at(state.range(0)));
}

void BM_ListLocations(benchmark::State& state) {
  for (auto _ : state) List(g_catalogs.at(state.range(0)));
}

void BM_FindLastLocation(benchmark::State& state) {
  const std::string& path = g_catalogs.at(state.range(0));
  if (!FindLast(path, state.range(0))) state.SkipWithError("last location not found");
  for (auto _ : state) FindLast(path, state.range(0));
}

// Times `reader` against a bare load of the same file, pair by pair; the
// counter `ratio` is the median of reader time / bare time over the pairs.
template <typename Reader>
void Paired(benchmark::State& state, Reader reader) {
  using Clock = std::chrono::steady_clock;
  const std::string& path = g_catalogs.at(state.range(0));
  std::vector<double> ratios;
  bool readerFirst = false;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    if (readerFirst) reader(path); else BareParse(path);
    const Clock::time_point t1 = Clock::now();
    if (readerFirst) BareParse(path); else reader(path);
    const Clock::time_point t2 = Clock::now();
    const double first = std::chrono::duration<double>(t1 - t0).count();
    const double second = std::chrono::duration<double>(t2 - t1).count();
    ratios.push_back(readerFirst ? first / second : second / first);
    readerFirst = !readerFirst;
  }
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  state.counters["ratio"] = ratios[ratios.size() / 2];
}

void BM_ListVsParse(benchmark::State& state) { Paired(state, List); }
void BM_FindVsParse(benchmark::State& state) {
  Paired(state, [&](const std::string& path) { FindLast(path, state.range(0)); });
}

// Five repetitions of each, reported as aggregates.
void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : kSizes) b->Arg(n);
  b->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
}

BENCHMARK(BM_BareParse)->Apply(Sizes);
BENCHMARK(BM_ListLocations)->Apply(Sizes);
BENCHMARK(BM_FindLastLocation)->Apply(Sizes);
BENCHMARK(BM_ListVsParse)->Apply(Sizes);
BENCHMARK(BM_FindVsParse)->Apply(Sizes);

// The console output as usual, then the table: the paired ratios and the
// bare load's CPU time, each the median over the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.aggregate_name != "median") continue;
      const auto ratio = run.counters.find("ratio");
      figures_[run.run_name.function_name + "/" + run.run_name.args] =
          ratio != run.counters.end() ? ratio->second.value : run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%8s %16s %16s %20s\n", "servers", "bare parse us", "list / parse",
                "find last / parse");
    for (int n : kSizes) {
      std::printf("%8d %16s %16s %20s\n", n, Figure("BM_BareParse", n, "%.1f").c_str(),
                  Figure("BM_ListVsParse", n, "%.3fx").c_str(),
                  Figure("BM_FindVsParse", n, "%.3fx").c_str());
    }
  }

 private:
  std::string Figure(const char* function, int servers, const char* format) const {
    const auto it = figures_.find(std::string(function) + "/" + std::to_string(servers));
    if (it == figures_.end()) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, it->second);
    return text;
  }

  std::map<std::string, double> figures_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  char dir[] = "/tmp/norva-catalog-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  for (int n : kSizes) {
    g_catalogs[n] = std::string(dir) + "/servers-" + std::to_string(n) + ".xml";
    WriteCatalog(g_catalogs[n], n);
  }
  RatioReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                               : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove_all(dir);
  return 0;
}
