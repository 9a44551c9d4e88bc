#pragma once
// The labeler as the command line reaches it: created by class identifier
// like every client does, from the per-user registration when there is one,
// else from the engine library installed beside this program.
#include "engine/labeler.h"

namespace carrowind::cli {

// Throws CommandError when no engine library can be found or loaded.
com::ComPtr<engine::_QVXCarrowind> createLabeler();

// While it lives, the engine's per-class progress is shown on stderr as
// "classes done of total", when stderr is a terminal.
class TerminalProgress {
 public:
  explicit TerminalProgress(std::string what);
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

 private:
  bool active_ = false;
};

}  // namespace carrowind::cli
