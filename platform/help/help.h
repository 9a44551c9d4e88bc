#pragma once
// Help as a replaceable seam. Callers name the help file as the original
// program did ("CarrowindLabelTool.chm", no folder, optionally
// "file::/page.html#anchor" for a topic); it resolves to a page of our own
// HTML help, installed in share/carrowind/help next to the program or
// found in the source tree. A program with a desktop installs a handler
// that opens the page in the user's browser, tests one that records it.
// Without a handler the page's path is written to standard output.
//
// When the help cannot be found, or the handler cannot open it, a message
// box says so; nothing else fails.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::help {

struct Page {
  std::u16string helpFile;     // as the caller named it
  std::filesystem::path file;  // the resolved HTML page
  std::u16string anchor;       // fragment within the page, without '#'
};

// Opens a resolved page; returns whether it was opened.
using Handler = std::function<bool(const Page& page)>;

// Installs a handler (an empty one restores the default) and returns the
// one it replaces, so a caller can put it back.
Handler setHandler(Handler handler);

// Resolves and opens the help; false (after a message box) when the help
// cannot be found or opened.
bool showHelp(std::u16string_view helpFile);

// Where help pages are looked for, in order: share/carrowind/help beside
// the running program and beside this library (installed layout), then
// the source tree's docs/help.
std::vector<std::filesystem::path> searchDirectories();

// The page that a help file name stands for, looked for in dirs; nothing
// when no directory holds it. Known help files ("CarrowindLabelTool.chm",
// "CarrowindLabelToolDialogHelp.hlp", letter case ignored) stand for
// index.html; a topic after "::" names a page of the help itself.
std::optional<Page> resolve(std::u16string_view helpFile,
                            const std::vector<std::filesystem::path>& dirs);

// The message shown when the help cannot be found.
std::u16string missingHelpMessage(std::u16string_view helpFile);

inline constexpr char16_t kHelpTitle[] = u"Carrowind Label Tool Help";

}  // namespace platform::help
