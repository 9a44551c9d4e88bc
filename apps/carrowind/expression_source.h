#pragma once
// Where a command takes its label expression from: typed, an expression
// file (".exp", the dialog's format) or a saved quick pick.
#include <string>

namespace CLI {
class App;
}

namespace carrowind::cli {

struct ExpressionSource {
  std::string expression;
  std::string file;
  std::string quickPick;
};

// --expr, --expr-file and, when withQuickPick, --quick-pick; exactly one is
// required.
void addExpressionOptions(CLI::App* command, ExpressionSource& source, bool withQuickPick);

// The expression text. An expression file is read whole, less a byte-order
// mark at its start and one line break at its very end (which editors add);
// throws an input error for a
// file that cannot be read, an unknown quick pick or an empty expression.
std::u16string resolveExpression(const ExpressionSource& source);

// The whole content of a text file the user wrote (an expression file), as
// bytes, less a UTF-8 byte-order mark at its start.
std::string readWholeFile(const std::string& file);

// Throws the settings store's own complaint (exit 1) when it cannot be used
// (damaged, unreadable): reading it then gives nothing, which must not pass
// for "no quick picks".
void requireUsableStore();

// The stored name of a quick pick typed in any letter case; throws the
// dialog's message when there are no quick picks at all and an input error
// when none has that name.
std::u16string existingQuickPick(const std::string& typed);

}  // namespace carrowind::cli
