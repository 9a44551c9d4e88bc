#include "platform/filedialog/file_dialog.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/text/utf.h"
#include "platform/seam/handler_slot.h"

namespace platform::filedialog {
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
  return *s;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::u16string_view> split(std::u16string_view s, char16_t separator) {
  std::vector<std::u16string_view> parts;
  for (;;) {
    const auto at = s.find(separator);
    parts.push_back(s.substr(0, at));
    if (at == std::u16string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

bool isWildcardList(std::u16string_view s) {
  bool any = false;
  std::u16string flat(s);
  for (auto& c : flat)
    if (c == u';' || c == u',') c = u' ';
  for (auto token : split(flat, u' ')) {
    if (token.empty()) continue;
    if (token.find_first_of(u"*?") == std::u16string_view::npos) return false;
    any = true;
  }
  return any;
}

// End of input (Ctrl-D) cancels this box only; the next one reads the
// terminal again.
bool readLine(std::string& line) {
  if (std::getline(std::cin, line)) return true;
  std::cin.clear();
  std::clearerr(stdin);
  return false;
}

// Without a window: asked on a terminal when there is one, else cancelled.
std::optional<std::filesystem::path> askOnTerminal(const Request& request) {
  const std::string title = text::toUtf8(request.title);
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "[file dialog] %s (no user to answer; cancelled)\n", title.c_str());
    return std::nullopt;
  }
  std::fprintf(stderr, "%s%s%s file name: ", title.c_str(), title.empty() ? "" : ": ",
               request.mode == Mode::Open ? "open" : "save as");
  std::fflush(stderr);
  std::string line;
  if (!readLine(line) || line.empty()) return std::nullopt;
  std::filesystem::path chosen = withDefaultExtension(line, request.defaultExtension);
  std::error_code ec;
  const bool exists = std::filesystem::exists(chosen, ec);
  if (request.mode == Mode::Open && request.fileMustExist && !exists) {
    std::fprintf(stderr, "%s: file not found\n", chosen.string().c_str());
    return std::nullopt;
  }
  if (request.mode == Mode::Save && request.overwritePrompt && exists) {
    std::fprintf(stderr, "%s already exists. Replace it? [y/N] ", chosen.string().c_str());
    std::fflush(stderr);
    std::string yes;
    if (!readLine(yes) || (yes != "y" && yes != "Y")) return std::nullopt;
  }
  return chosen;
}

}  // namespace

std::vector<Filter> parseFilter(std::u16string_view filter) {
  std::vector<Filter> filters;
  const auto parts = split(filter, u'|');
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    Filter f;
    f.description = std::u16string(trimmed(parts[i]));
    for (auto pattern : split(parts[i + 1], u';')) {
      pattern = trimmed(pattern);
      if (!pattern.empty()) f.patterns.emplace_back(pattern);
    }
    if (f.patterns.empty()) continue;
    filters.push_back(std::move(f));
  }
  return filters;
}

std::vector<std::u16string> toNameFilters(const std::vector<Filter>& filters) {
  std::vector<std::u16string> out;
  for (const auto& f : filters) {
    std::u16string patterns;
    for (const auto& p : f.patterns) {
      if (!patterns.empty()) patterns += u' ';
      patterns += p == u"*.*" ? u"*" : p;
    }
    std::u16string_view description = f.description;
    // Qt reads the patterns from the last parentheses, so a description
    // that shows its own ("Text Document (*.txt)") would show them twice.
    if (!description.empty() && description.back() == u')') {
      const auto open = description.rfind(u'(');
      if (open != std::u16string_view::npos &&
          isWildcardList(description.substr(open + 1, description.size() - open - 2)))
        description = trimmed(description.substr(0, open));
    }
    if (description.empty())
      out.push_back(patterns);
    else
      out.push_back(std::u16string(description) + u" (" + patterns + u")");
  }
  return out;
}

std::filesystem::path withDefaultExtension(std::filesystem::path chosen, std::u16string_view defaultExtension) {
  while (!defaultExtension.empty() && defaultExtension.front() == u'.') defaultExtension.remove_prefix(1);
  if (defaultExtension.empty() || chosen.empty() || chosen.has_extension() || !chosen.has_filename())
    return chosen;
  chosen += "." + text::toUtf8(defaultExtension);
  return chosen;
}

Handler setHandler(Handler handler) {
  return slot().exchange(std::move(handler));
}

std::optional<std::filesystem::path> show(const Request& request) {
  const Handler handler = slot().current();
  auto chosen = handler ? handler(request) : askOnTerminal(request);
  if (!chosen || chosen->empty()) return std::nullopt;
  return withDefaultExtension(std::move(*chosen), request.defaultExtension);
}

}  // namespace platform::filedialog
