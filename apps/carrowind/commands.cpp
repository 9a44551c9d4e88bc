#include "apps/carrowind/commands.h"

#include <algorithm>

namespace carrowind::cli {

std::vector<RegisteredCommand>& registeredCommands() {
  static std::vector<RegisteredCommand> commands;
  return commands;
}

CommandRegistration::CommandRegistration(int order, Registrar registrar) {
  auto& commands = registeredCommands();
  commands.push_back({order, std::move(registrar)});
  std::stable_sort(commands.begin(), commands.end(),
                   [](const RegisteredCommand& a, const RegisteredCommand& b) { return a.order < b.order; });
}

}  // namespace carrowind::cli
