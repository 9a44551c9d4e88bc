#pragma once
// The standard open and save file dialogs as a replaceable seam. Callers
// describe the dialog as the common dialog did (a title, a filter string
// "description|pattern|description|pattern|", a default extension, an
// initial file or folder, the usual checks); a program with windows
// installs a handler that shows a real dialog, tests one that answers from
// a script. Without a handler the dialog counts as cancelled.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::filedialog {

enum class Mode { Open, Save };

struct Request {
  Mode mode = Mode::Open;
  std::u16string title;
  // "Text Document (*.txt)|*.txt;|All Files(*.*)|*.*;|": pairs of a
  // description and patterns separated by ';'.
  std::u16string filter;
  // 1-based index of the pair chosen at first, as in the common dialog.
  int filterIndex = 1;
  // Without a dot ("exp"); added to a chosen name that has no extension.
  std::u16string defaultExtension;
  // An initial file name, a folder, or a file in a folder; empty for the
  // current folder.
  std::filesystem::path initialPath;
  // Save: ask before replacing an existing file.
  bool overwritePrompt = true;
  // Open: only an existing file can be chosen.
  bool fileMustExist = true;
};

// The chosen file, or nothing when the dialog was cancelled.
using Handler = std::function<std::optional<std::filesystem::path>(const Request&)>;

// Installs a handler (an empty one restores the default) and returns the
// one it replaces, so a caller can put it back.
Handler setHandler(Handler handler);

// Shows the dialog through the installed handler. A chosen name without an
// extension gets the request's default extension.
std::optional<std::filesystem::path> show(const Request& request);

inline std::optional<std::filesystem::path> getOpenFileName(std::u16string title,
                                                            std::u16string filter,
                                                            std::u16string defaultExtension = {},
                                                            std::filesystem::path initial = {}) {
  Request r;
  r.mode = Mode::Open;
  r.title = std::move(title);
  r.filter = std::move(filter);
  r.defaultExtension = std::move(defaultExtension);
  r.initialPath = std::move(initial);
  return show(r);
}

inline std::optional<std::filesystem::path> getSaveFileName(std::u16string title,
                                                            std::u16string filter,
                                                            std::u16string defaultExtension = {},
                                                            std::filesystem::path initial = {}) {
  Request r;
  r.mode = Mode::Save;
  r.title = std::move(title);
  r.filter = std::move(filter);
  r.defaultExtension = std::move(defaultExtension);
  r.initialPath = std::move(initial);
  return show(r);
}

// One description and its patterns ("*.exp", "*.*"), empty ones dropped.
struct Filter {
  std::u16string description;
  std::vector<std::u16string> patterns;
};

// Splits a common-dialog filter string into its pairs. A trailing
// description without patterns is dropped.
std::vector<Filter> parseFilter(std::u16string_view filter);

// The same filters as Qt's name filters, "Description (*.a *.b)", one per
// pair. A description that already ends in its patterns in parentheses
// gets them rewritten rather than repeated; "*.*" becomes "*" because on
// this system a file name need not contain a dot.
std::vector<std::u16string> toNameFilters(const std::vector<Filter>& filters);

// The chosen name with the default extension added when it has none.
std::filesystem::path withDefaultExtension(std::filesystem::path chosen,
                                           std::u16string_view defaultExtension);

}  // namespace platform::filedialog
