// carrowind values: a field's values, to see what an expression will summarise.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/value_print.h"
#include "host/classes.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

struct ValuesOptions {
  DocumentArg document;
  std::string layer;
  std::string field;
  std::string where;
  long limit = -1;
  bool json = false;
};

int runValues(const ValuesOptions& options) {
  if (options.limit < -1) throw inputError("--limit must be 0 or more");
  auto document = openDocument(options.document);
  auto layer = findLayer(*document, options.layer);
  auto table = displayTable(layer.get());
  const int index = findField(table.get(), options.field);

  host::Ref<host::IQueryFilter> filter;
  if (!options.where.empty()) {
    filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
    filter->WhereClause(text::fromUtf8(options.where));
  }
  auto cursor = table->Search(filter.get(), true);
  mapdoc::Json all = mapdoc::Json::array();
  long printed = 0;
  for (auto row = cursor->NextRow(); row && (options.limit < 0 || printed < options.limit); row = cursor->NextRow()) {
    const auto value = row->Value(index);
    if (options.json) all.push_back(toJson(value));
    else std::cout << printable(value) << '\n';
    ++printed;
  }
  if (options.json) std::cout << all.dump(2) << '\n';
  return kExitOk;
}

const CommandRegistration valuesCommand{30, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<ValuesOptions>();
  auto* command = program.add_subcommand(
      "values",
      "Print a field's value for each record of a layer's display table, in the data source's order.\n"
      "Nulls print as <null>; dates as ISO 8601; numbers with a point for decimals.");
  addDocumentOption(command, options->document);
  addLayerOption(command, options->layer, true);
  command->add_option("--field", options->field, "the field (joined fields as \"carrowind fields\" names them)")->required();
  command->add_option("--limit", options->limit, "print at most N values");
  command->add_option("--where", options->where, "only records that satisfy this where clause (the source's dialect)");
  command->add_flag("--json", options->json,
                    "print a JSON list; a failure prints {\"ok\": false, \"message\", \"layer\"}");
  return [options] { return runValues(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
