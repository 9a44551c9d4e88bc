#include "apps/carrowind/expression_source.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <sstream>

#include "apps/carrowind/commands.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/quick_pick_store.h"

namespace carrowind::cli {

namespace qp = support::quickpicks;

void addExpressionOptions(CLI::App* command, ExpressionSource& source, bool withQuickPick) {
  auto* group = command->add_option_group("expression", "the label expression, given one way");
  group->add_option("--expr,-e", source.expression, "the label expression, e.g. \"[NAME].First ([AREA].Sum)\"");
  group->add_option("--expr-file", source.file, "a file holding the expression (.exp, as the dialog saves it; a UTF-8 byte-order mark at its start is dropped)")
      ->check(CLI::ExistingFile);
  if (withQuickPick) group->add_option("--quick-pick", source.quickPick, "a saved quick pick, by name (any case)");
  group->require_option(1);
}

std::string readWholeFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw inputError("cannot read " + file);
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) throw inputError("cannot read " + file);
  std::string content = s.str();
  // Notepad and others start UTF-8 with a byte-order mark; it is no part of
  // the text, and left in it would begin the first label.
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);
  return content;
}

void requireUsableStore() {
  // Opening the product key opens the store and notes why it failed.
  (void)support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, qp::kProductKey);
  if (const std::string why = registry::storeError(); !why.empty()) throw CommandError(kExitFailure, why);
}

std::u16string existingQuickPick(const std::string& typed) {
  requireUsableStore();
  if (!support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, qp::kQuickPicksKey))
    throw CommandError(kExitFailure, "Error attempting to find saved quick pick!  Please reinstall the Carrowind!");
  auto name = qp::findName(text::fromUtf8(typed));
  if (!name) throw inputError("no quick pick is named \"" + typed + "\"");
  return *name;
}

std::u16string resolveExpression(const ExpressionSource& source) {
  std::u16string expression;
  if (!source.quickPick.empty()) {
    expression = qp::expression(existingQuickPick(source.quickPick));
    if (expression.empty()) throw inputError("the quick pick \"" + source.quickPick + "\" holds no expression");
    return expression;
  }
  if (!source.file.empty()) {
    std::string content = readWholeFile(source.file);
    if (content.size() >= 2 && content.compare(content.size() - 2, 2, "\r\n") == 0) content.resize(content.size() - 2);
    else if (!content.empty() && content.back() == '\n') content.pop_back();
    expression = text::fromUtf8(content);
  } else {
    expression = text::fromUtf8(source.expression);
  }
  if (expression.empty()) throw inputError("the label expression is empty");
  return expression;
}

}  // namespace carrowind::cli
