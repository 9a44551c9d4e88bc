#pragma once
// The options by which commands name a map document and one of its layers.
#include <CLI/CLI.hpp>
#include <string>

namespace carrowind::cli {

struct DocumentArg {
  std::string file;
  std::string styleData;  // --data, for a QGIS layer style
};

inline void addDocumentOption(CLI::App* command, DocumentArg& document) {
  command
      ->add_option("document", document.file,
                   "map document (.cwmap), QGIS project (.qgs, .qgz) or QGIS layer style (.qml, with --data)")
      ->required();
  command->add_option("--data", document.styleData,
                      "the data a QGIS layer style (.qml) draws: a path, optionally with |layername=NAME and "
                      "|subset=CLAUSE as QGIS writes them; the style's layer is named after the style's file");
}

// For the commands that rewrite the user's document.
inline void addForceOption(CLI::App* command, bool& force) {
  command->add_flag("--force", force,
                    "write the document even when its permissions forbid writing (it keeps its permissions)");
}

inline void addLayerOption(CLI::App* command, std::string& layer, bool required,
                           const std::string& help = "the layer (its name as the document has it)") {
  auto* option = command->add_option("--layer", layer, help);
  if (required) option->required();
}

}  // namespace carrowind::cli
