#pragma once
// The options by which commands name a map document and one of its layers.
#include <CLI/CLI.hpp>
#include <string>

namespace carrowind::cli {

struct DocumentArg {
  std::string file;
  std::string styleData;  // --data, for a QGIS layer style
  std::string styleProvider = "ogr";  // --provider
  std::string selectionFile;  // --selection-file
  std::string qgisClasses;    // --qgis-classes
};

inline void addDocumentOption(CLI::App* command, DocumentArg& document) {
  command
      ->add_option("document", document.file,
                   "map document (.cwmap), QGIS project (.qgs, .qgz) or QGIS layer style (.qml, with --data)")
      ->required();
  command->add_option("--data", document.styleData,
                      "the data a QGIS layer style (.qml) draws: a path, optionally with |layername=NAME, "
                      "|layerid=N, |option:KEY=VALUE (the driver's open options) and |subset=CLAUSE as QGIS writes "
                      "them; the style's layer is named after the style's file");
  command->add_option("--provider", document.styleProvider,
                      "the QGIS provider that reads --data: ogr (files, the default) or postgres (QGIS's connection "
                      "URI, as dbname='gis' host=db table=\"public\".\"parcels\" (geom))")
      ->check(CLI::IsMember({"ogr", "postgres"}))
      ->needs("--data");
  command->add_option("--selection-file", document.selectionFile,
                      "the style's layer's selected features: a file of feature IDs (QGIS's), separated by blanks, "
                      "commas or line breaks; for --records selection")
      ->needs("--data");
  command->add_option("--qgis-classes", document.qgisClasses,
                      "the classes QGIS itself put the style's features in, for renderers only QGIS evaluates (rules, "
                      "categories or ranges on an expression): a file the Carrowind QGIS plugin writes")
      ->needs("--data");
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
