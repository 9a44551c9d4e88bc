// carrowind quickpicks: the saved expressions of the labeling dialog, on the
// command line, with the dialog's rules and messages.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/expression_source.h"
#include "apps/setup/component_registration.h"
#include "mapdoc/atomic_file.h"
#include "platform/registry/store.h"
#include "platform/text/utf.h"
#include "support/basRegistry.h"
#include "support/quick_pick_store.h"

namespace carrowind::cli {
namespace {

namespace qp = support::quickpicks;

struct QuickPickOptions {
  std::string name;
  std::string expression;
  std::string expressionFile;
  std::string file;
  bool yes = false;
};

std::string utf8(std::u16string_view s) { return text::toUtf8(s); }

CommandError storeFailure() {
  const std::string why = registry::storeError();
  return {kExitFailure, why.empty() ? registry::describeFailure(qp::lastFailure()) : why};
}

int runList() {
  requireUsableStore();
  for (const auto& name : qp::names()) std::cout << utf8(name) << '\n';
  return kExitOk;
}

int runShow(const QuickPickOptions& o) {
  std::cout << utf8(qp::expression(existingQuickPick(o.name))) << '\n';
  return kExitOk;
}

int runSave(const QuickPickOptions& o) {
  const std::u16string name = qp::cleanName(text::fromUtf8(o.name));
  if (name.empty()) throw inputError("the quick pick name is empty");
  const std::string given = o.expressionFile.empty() ? o.expression : readWholeFile(o.expressionFile);
  const std::u16string expression = text::fromUtf8(given);
  if (qp::storedExpression(expression).empty()) throw inputError("the expression is empty");
  requireUsableStore();
  // Saving needs the product key, which first use creates.
  setup::ensureRegistered();
  switch (qp::save(name, expression, o.yes)) {
    case qp::SaveResult::Saved: std::cout << "saved quick pick " << utf8(name) << '\n'; return kExitOk;
    case qp::SaveResult::Updated: std::cout << "updated quick pick " << utf8(name) << '\n'; return kExitOk;
    case qp::SaveResult::Exists:
      throw CommandError(kExitFailure, "This quick pick name already exists! (" + utf8(*qp::findName(name)) +
                                           "; --yes updates it)");
    case qp::SaveResult::NoProductKey:
      // Registering on first use failed. The dialog's "Please reinstall"
      // would mislead where nothing was ever installed.
      throw CommandError(kExitFailure,
                         "Carrowind is not installed for this user (the settings store has no " +
                             utf8(qp::kProductKey) + " key): run \"carrowind install\", then save again");
    case qp::SaveResult::ReservedName:
      throw inputError("\"" + utf8(name) + "\" cannot name a quick pick: the settings store keeps the list of quick picks "
                       "under that name");
    case qp::SaveResult::Failed: break;
  }
  throw storeFailure();
}

int runDelete(const QuickPickOptions& o) {
  const std::u16string name = existingQuickPick(o.name);
  switch (qp::remove(name)) {
    case qp::DeleteResult::Deleted: std::cout << "deleted quick pick " << utf8(name) << '\n'; return kExitOk;
    case qp::DeleteResult::NotFound: throw inputError("no quick pick is named \"" + o.name + "\"");
    case qp::DeleteResult::Failed: break;
  }
  throw storeFailure();
}

int runExport(const QuickPickOptions& o) {
  requireUsableStore();
  if (qp::names().empty()) throw CommandError(kExitFailure, "No quick picks to save!");
  // No expression box here: the file ends with the last pick's line break.
  mapdoc::writeFileAtomically(o.file, utf8(qp::exportText(u"")));
  return kExitOk;
}

const CommandRegistration quickpicksCommand{60, [](CLI::App& program) -> Runner {
  auto o = std::make_shared<QuickPickOptions>();
  auto* command = program.add_subcommand(
      "quickpicks",
      "The quick picks (saved label expressions) of the labeling dialog, in the settings store.\n"
      "Names ignore letter case; a comma in a name becomes a blank; a saved expression is one line.");
  command->require_subcommand(1);
  auto* list = command->add_subcommand("list", "Print the quick pick names in the dialog's order.");
  auto* show = command->add_subcommand("show", "Print a quick pick's expression.");
  show->add_option("name", o->name, "the quick pick")->required();
  auto* save = command->add_subcommand("save", "Save an expression as a quick pick.");
  save->add_option("name", o->name, "the quick pick's name")->required();
  auto* expr = save->add_option("--expr", o->expression, "the expression");
  auto* exprFile = save->add_option("--expr-file", o->expressionFile, "read the expression from a file (.exp)");
  expr->excludes(exprFile);
  save->add_flag("--yes", o->yes, "update a quick pick of that name without asking");
  auto* remove = command->add_subcommand("delete", "Delete a quick pick.");
  remove->add_option("name", o->name, "the quick pick")->required();
  auto* exportCommand = command->add_subcommand(
      "export", "Write every quick pick to a text file: \"name:\" on one line, the expression on the next.");
  exportCommand->add_option("file", o->file, "the file (replaced whole)")->required();
  return [=] {
    if (list->parsed()) return runList();
    if (show->parsed()) return runShow(*o);
    if (save->parsed()) {
      if (expr->count() == 0 && exprFile->count() == 0) throw inputError("save needs --expr or --expr-file");
      return runSave(*o);
    }
    if (remove->parsed()) return runDelete(*o);
    return runExport(*o);
  };
}};

}  // namespace
}  // namespace carrowind::cli
