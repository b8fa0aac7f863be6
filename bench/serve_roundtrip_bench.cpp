// `vantel-host serve` as a page drives it: the time from the POST of a user event to the
// answer that carries the window it changed. The edit dialog of the inline 4 example is open
// and the event flips its tabs between the first two pages, so that every answer is a new
// window. One keep-alive connection, as a page keeps one; then a connection per event.
//   serve_roundtrip_bench [--events=N] [Google Benchmark flags]   (default 1000 events)
// Counters: median_ms, p90_ms, p99_ms and max_ms per event. Fails when an answer is not 200
// or does not show the page asked for.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "serve_client.h"
#include "vantel/ui_controls.h"

namespace {

namespace fs = std::filesystem;
using vantel::host::ServedHost;
using Json = nlohmann::json;

constexpr uint32_t kInline4 = 12;
size_t events = 1000;

struct Served {
  fs::path folder;
  std::unique_ptr<ServedHost> host;
  uint32_t window = 0;
  uint32_t tabs = 0;
};
std::unique_ptr<Served> served;
bool failed = false;

/// The example served from a folder of its own, its edit dialog open.
std::unique_ptr<Served> Serve() {
  auto s = std::make_unique<Served>();
  std::string pattern = (fs::temp_directory_path() / "serve-roundtrip-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
  s->folder = pattern;
  const std::string name = "inline4-60-2-sequential.json";
  fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / name, s->folder / name);
  s->host = std::make_unique<ServedHost>(VANTEL_HOST_PATH, std::vector<std::string>{name},
                                         s->folder.string());
  const auto [status, body] = s->host->Post("/api/machines/" + std::to_string(kInline4) + "/edit");
  if (status != 200) throw std::runtime_error("edit: " + body);
  const Json dialog = Json::parse(body).at("windows").at(0);
  const auto tabs = ServedHost::ControlWithId(dialog, VANTEL_IDC_MAIN_TABS);
  if (!tabs || tabs->at("items").size() < 2) throw std::runtime_error("no tabs to flip");
  s->window = dialog.at("handle");
  s->tabs = tabs->at("handle");
  return s;
}

double Percentile(std::vector<double> sorted, double fraction) {
  std::sort(sorted.begin(), sorted.end());
  const size_t at = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[at];
}

void Fail(benchmark::State& state, const std::string& why) {
  failed = true;
  state.SkipWithError(why.c_str());
}

/// One event per iteration, over one kept connection or over a new one each.
void RoundTrips(benchmark::State& state, bool keepAlive) {
  const std::string path = "/api/windows/" + std::to_string(served->window) + "/events";
  httplib::Client kept = served->host->Client();
  kept.set_keep_alive(true);
  // A browser's sockets send at once; what the server does is what is measured.
  kept.set_tcp_nodelay(true);
  std::vector<double> ms;
  ms.reserve(events);
  int page = 0;
  for (auto _ : state) {
    page = 1 - page;
    const std::string event =
        Json{{"control", served->tabs}, {"action", "tab"}, {"index", page}}.dump();
    const auto start = std::chrono::steady_clock::now();
    httplib::Result res = [&] {
      if (keepAlive) return kept.Post(path.c_str(), event, "application/json");
      httplib::Client cold = served->host->Client();
      cold.set_tcp_nodelay(true);
      return cold.Post(path.c_str(), event, "application/json");
    }();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(elapsed);
    ms.push_back(elapsed * 1e3);
    if (!res || res->status != 200) {
      return Fail(state, res ? "status " + std::to_string(res->status) + ": " + res->body
                             : httplib::to_string(res.error()));
    }
    const Json window = Json::parse(res->body).at("windows").at(0);
    const auto tabs = ServedHost::ControlWithId(window, VANTEL_IDC_MAIN_TABS);
    if (!tabs || tabs->at("selection") != page) {
      return Fail(state, "the answer does not show the page asked for");
    }
  }
  state.counters["median_ms"] = Percentile(ms, 0.5);
  state.counters["p90_ms"] = Percentile(ms, 0.9);
  state.counters["p99_ms"] = Percentile(ms, 0.99);
  state.counters["max_ms"] = Percentile(ms, 1.0);
}

void BM_EventKeepAlive(benchmark::State& state) { RoundTrips(state, true); }
void BM_EventNewConnection(benchmark::State& state) { RoundTrips(state, false); }

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--events=", 9) == 0)
      events = std::strtoul(argv[i] + 9, nullptr, 10);
    else
      rest.push_back(argv[i]);
  }
  if (events == 0) return 2;
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 2;
  const auto iterations = static_cast<benchmark::IterationCount>(events);
  for (const auto& [name, run] : {std::pair{"serve/event_keep_alive", &BM_EventKeepAlive},
                                  std::pair{"serve/event_new_connection", &BM_EventNewConnection}})
    benchmark::RegisterBenchmark(name, run)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  try {
    served = Serve();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "serve_roundtrip_bench: %s\n", error.what());
    return 2;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const int status = served->host->Stop();
  if (status != 0) std::fprintf(stderr, "vantel-host serve ended with status %d\n", status);
  fs::remove_all(served->folder);
  return failed || status != 0 ? 1 : 0;
}
