#pragma once
// The options by which commands name a map document and one of its layers.
#include <CLI/CLI.hpp>
#include <string>

namespace carrowind::cli {

inline void addDocumentOption(CLI::App* command, std::string& document) {
  command->add_option("document", document, "map document (.cwmap)")->required();
}

inline void addLayerOption(CLI::App* command, std::string& layer, bool required,
                           const std::string& help = "the layer (its name as the document has it)") {
  auto* option = command->add_option("--layer", layer, help);
  if (required) option->required();
}

}  // namespace carrowind::cli
