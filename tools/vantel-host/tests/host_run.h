#pragma once
// The built vantel-host run as a user runs it, in a fresh folder of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vantel::host {

using test::ReadFile;

/// `text` as one shell word.
inline std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline std::filesystem::path Example(const std::string& name) {
  return std::filesystem::path(VANTEL_SOURCE_DIR) / "examples" / name;
}

struct HostRun {
  int status = -1;
  std::string out;
  std::string err;
};

class HostRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  /// The host run in the test's folder with `input` on its standard input. Its own UI log
  /// must not mix with one the test runner may have named; `environment` ("NAME=VALUE") may
  /// name one of the test's.
  HostRun Host(const std::vector<std::string>& args, const std::string& input = "",
               const std::vector<std::string>& environment = {}) const {
    std::ofstream(dir_ / "in", std::ios::binary) << input;
    std::string command = "cd " + Quoted(dir_.string()) + " && env -u VANTEL_UI_LOG";
    for (const auto& variable : environment) command += " " + Quoted(variable);
    command += " " + Quoted(VANTEL_HOST_PATH);
    for (const auto& arg : args) command += " " + Quoted(arg);
    command += " < in > out 2> err";
    const int raw = std::system(command.c_str());
    HostRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_ / "out"),
                ReadFile(dir_ / "err")};
    for (const char* file : {"in", "out", "err"}) std::filesystem::remove(dir_ / file);
    return run;
  }

  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return dir_ / name;
  }

  test::TempDir temp_;
  const std::filesystem::path dir_ = temp_.path();
};

}  // namespace vantel::host
