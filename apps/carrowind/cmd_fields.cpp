// carrowind fields: the fields a layer's label expressions can name.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

struct FieldsOptions {
  DocumentArg document;
  std::string layer;
  bool json = false;
};

const char* typeName(int code) {
  static const char* const names[] = {"small integer", "integer", "single", "double", "string",
                                      "date",          "object ID", "geometry", "blob"};
  return code >= 0 && code <= 8 ? names[code] : "other";
}

int runFields(const FieldsOptions& options) {
  auto document = openDocument(options.document);
  auto layer = findLayer(*document, options.layer);
  auto table = displayTable(layer.get());
  auto fields = com::query<host::IClass>(table.get())->Fields();
  mapdoc::Json all = mapdoc::Json::array();
  for (int i = 0; i < fields->FieldCount(); ++i) {
    auto field = fields->Field(i);
    const std::string name = text::toUtf8(field->Name());
    if (options.json) all.push_back({{"name", name}, {"type", field->Type()}, {"type_name", typeName(field->Type())}});
    else std::cout << name << '\t' << field->Type() << '\t' << typeName(field->Type()) << '\n';
  }
  if (options.json) std::cout << all.dump(2) << '\n';
  return kExitOk;
}

const CommandRegistration fieldsCommand{20, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<FieldsOptions>();
  auto* command = program.add_subcommand(
      "fields",
      "Print the fields of a layer's display table (joined fields included: named \"table.field\" in map "
      "documents, as QGIS names them in QGIS projects), "
      "one per line: name, type code, type.\nType codes: 0 small integer, 1 integer, 2 single, 3 double, "
      "4 string, 5 date, 6 object ID, 7 geometry, 8 blob, above 8 other kinds.");
  addDocumentOption(command, options->document);
  addLayerOption(command, options->layer, true);
  command->add_flag("--json", options->json, "print a JSON list of {\"name\", \"type\", \"type_name\"}; a failure prints {\"ok\": false, \"message\", \"layer\"}");
  return [options] { return runFields(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
