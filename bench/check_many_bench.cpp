// `vantel-host check DIR` over Kalbrix files made from the examples (machine indexes from 0 to
// 1023, names and ignition delays varied): files per second and the host's peak memory at
// 1,000 and at 10,000 files, which must stay flat in the number of files. The host runs as CI
// runs it, as a child process; its memory and CPU time are the child's own (wait4).
//   check_many_bench [FILES...]   (default 1000 10000; the test suite's smoke run gives 50)
// Fails when the host does not answer one line per file and its summary.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kalbrix.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using vantel::host::Json;

std::vector<Json> Examples() {
  std::vector<Json> examples;
  for (const auto& entry : fs::directory_iterator(VANTEL_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    examples.push_back(vantel::host::ParseKalbrixText(text.str()));
  }
  return examples;
}

// EngineTable word 22: the ignition delay, which the rules hold to the ECU's limit.
constexpr size_t kIgnitionDelayWord = 22;

/// `count` files in `folder`, each an example on machine i % 1024 with its own name and delay.
void MakeFiles(const fs::path& folder, size_t count, const std::vector<Json>& examples) {
  fs::create_directories(folder);
  for (size_t i = 0; i < count; ++i) {
    Json document = examples[i % examples.size()];
    document["machine"] = i % 1024;
    document["name"] = "Bench ECU " + std::to_string(i);
    for (Json& item : document["items"])
      if (item["name"] == "TAB_CNFENG_0" && item["words"].size() > kIgnitionDelayWord)
        item["words"][kIgnitionDelayWord] = (i * 7) % 120;
    char name[32];
    std::snprintf(name, sizeof name, "k%05zu.json", i);
    std::ofstream(folder / name, std::ios::binary) << vantel::host::DumpKalbrix(document);
  }
}

struct Run {
  double wallSeconds;
  double cpuSeconds;
  long peakKiB;
  size_t lines;
  bool summary;
};

Run CheckFolder(const fs::path& folder, const fs::path& out) {
  std::vector<std::string> args = {VANTEL_HOST_PATH, "check", folder.string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::perror("posix_spawn");
    std::exit(2);
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  std::ifstream lines(out);
  size_t count = 0;
  std::string line, last;
  while (std::getline(lines, line)) {
    ++count;
    last = line;
  }
  return {wall, cpu, usage.ru_maxrss, count, last.rfind("== ", 0) == 0};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoul(argv[i], nullptr, 10));
  if (counts.empty()) counts = {1000, 10000};

  std::string pattern = (fs::temp_directory_path() / "check-many-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 2;
  const fs::path root = pattern;
  const std::vector<Json> examples = Examples();
  int failed = 0;
  for (size_t count : counts) {
    const fs::path folder = root / std::to_string(count);
    MakeFiles(folder, count, examples);
    const Run run = CheckFolder(folder, root / "out");
    std::printf(
        "%6zu files: %7.2f s wall, %7.0f files/s; %6.2f s CPU, %7.0f files/s; peak %5.1f MiB\n",
        count, run.wallSeconds, count / run.wallSeconds, run.cpuSeconds, count / run.cpuSeconds,
        run.peakKiB / 1024.0);
    if (run.lines != count + 1 || !run.summary) {
      std::fprintf(stderr, "expected %zu lines and a summary, got %zu\n", count + 1, run.lines);
      failed = 1;
    }
    fs::remove_all(folder);
  }
  fs::remove_all(root);
  return failed;
}
