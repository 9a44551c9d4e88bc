#pragma once
// The commands of the carrowind program. Each command lives in a cmd_*.cpp
// of its own and registers itself here, so adding one touches no other file.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace carrowind::cli {

// Exit codes: 2 for usage and input errors (missing files, bad documents,
// unknown layers or fields), 1 for anything that failed while working.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A failure to report as one line on stderr.
class CommandError : public std::runtime_error {
 public:
  CommandError(int exitCode, const std::string& message) : std::runtime_error(message), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

inline CommandError inputError(const std::string& message) { return {kExitUsage, message}; }

// A command adds its subcommand to the program and returns what runs it.
// The runner returns the exit code or throws CommandError.
using Runner = std::function<int()>;
using Registrar = std::function<Runner(CLI::App& program)>;

struct CommandRegistration {
  CommandRegistration(int order, Registrar registrar);
};

struct RegisteredCommand {
  int order;
  Registrar registrar;
};
std::vector<RegisteredCommand>& registeredCommands();

}  // namespace carrowind::cli
