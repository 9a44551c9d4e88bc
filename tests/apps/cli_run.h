#pragma once
// Runs the built carrowind program as a user would, capturing its exit code,
// stdout and stderr. The environment is the test's own.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Result {
  int exitCode;
  std::string out;  // stdout only
  std::string err;
};

inline Result carrowind(const std::string& arguments) {
  namespace fs = std::filesystem;
  const fs::path errFile = fs::temp_directory_path() / ("cw_cli_err_" + std::to_string(::getpid()));
  // appended, not added up: GCC 12 takes the sum of temporaries for an overflow
  std::string command = CW_BINARY_DIR;
  command.append("/bin/carrowind ").append(arguments).append(" 2>").append(errFile.string());
  Result run{};
  FILE* pipe = ::popen(command.c_str(), "r");
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  run.err.assign(std::istreambuf_iterator<char>(err), {});
  fs::remove(errFile);
  return run;
}

}  // namespace
