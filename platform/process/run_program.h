#pragma once
// Running another program to its end and taking what it printed, without a
// shell: arguments go as they are, whatever characters they hold.
#include <string>
#include <vector>

namespace platform::process {

struct Finished {
  int exitCode = -1;  // -1 when it could not be started or did not exit by itself
  std::string out, err;
  std::string startError;  // why it could not be started ("" when it ran)
};

// Runs program (looked up on PATH when it holds no '/') with args.
Finished runProgram(const std::string& program, const std::vector<std::string>& args);

// Whether program names an executable file (looked up on PATH when it holds
// no '/'); its path, or "".
std::string findProgram(const std::string& program);

}  // namespace platform::process
