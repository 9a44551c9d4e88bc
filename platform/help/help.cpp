#include "platform/help/help.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"
#include "platform/seam/handler_slot.h"

namespace platform::help {
namespace fs = std::filesystem;
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
  return *s;
}

// The help files that the original program named; all open our index.
constexpr std::array<std::u16string_view, 2> kKnownHelpFiles = {u"carrowindlabeltool.chm",
                                                                 u"carrowindlabeltooldialoghelp.hlp"};

std::u16string lowered(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

bool endsWith(std::u16string_view s, std::u16string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool isHtmlName(std::u16string_view name) {
  const auto low = lowered(name);
  return endsWith(low, u".html") || endsWith(low, u".htm");
}

// A page inside the help: relative, no way out of the help's folder.
std::optional<fs::path> pageInside(std::u16string_view name) {
  while (!name.empty() && (name.front() == u'/' || name.front() == u'\\')) name.remove_prefix(1);
  if (name.empty()) return std::nullopt;
  std::u16string slashed(name);
  std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
  const fs::path page = fs::path(text::toUtf8(slashed)).lexically_normal();
  if (page.is_absolute() || page.empty()) return std::nullopt;
  for (const auto& part : page)
    if (part == "..") return std::nullopt;
  return page;
}

fs::path helpBeside(const fs::path& binary) {
  return binary.parent_path().parent_path() / "share" / "carrowind" / "help";
}

bool defaultOpen(const Page& page) {
  std::string where = page.file.string();
  if (!page.anchor.empty()) where += "#" + text::toUtf8(page.anchor);
  std::printf("Help: %s\n", where.c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace

std::vector<fs::path> searchDirectories() {
  std::vector<fs::path> dirs;
  auto add = [&dirs](fs::path dir) {
    if (dir.empty()) return;
    dir = dir.lexically_normal();
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(std::move(dir));
  };
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) add(helpBeside(program));
  // The dialogs live in a library that a host program loads from elsewhere.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&searchDirectories), &info) && info.dli_fname) {
    const fs::path library = fs::absolute(info.dli_fname, ec);
    if (!ec) add(helpBeside(library));
  }
#ifdef CW_HELP_SOURCE_DIR
  add(CW_HELP_SOURCE_DIR);
#endif
  return dirs;
}

std::optional<Page> resolve(std::u16string_view helpFile, const std::vector<fs::path>& dirs) {
  std::u16string_view file = helpFile;
  std::u16string_view topic;
  if (const auto at = helpFile.find(u"::"); at != std::u16string_view::npos) {
    file = helpFile.substr(0, at);
    topic = helpFile.substr(at + 2);
  }
  std::u16string anchor;
  if (const auto hash = topic.find(u'#'); hash != std::u16string_view::npos) {
    anchor = std::u16string(topic.substr(hash + 1));
    topic = topic.substr(0, hash);
  }
  // The viewer looked the file up by its name alone.
  const auto slash = file.find_last_of(u"/\\");
  const std::u16string_view name = slash == std::u16string_view::npos ? file : file.substr(slash + 1);

  const bool known =
      std::find(kKnownHelpFiles.begin(), kKnownHelpFiles.end(), lowered(name)) != kKnownHelpFiles.end();
  // A topic belongs to one of our help files, or to the help itself.
  if (!known && !isHtmlName(name) && !(name.empty() && !topic.empty())) return std::nullopt;
  const std::optional<fs::path> page =
      !topic.empty() ? pageInside(topic) : known ? std::optional<fs::path>("index.html") : pageInside(name);
  if (!page) return std::nullopt;

  for (const auto& dir : dirs) {
    std::error_code ec;
    const fs::path candidate = dir / *page;
    if (fs::is_regular_file(candidate, ec)) {
      const fs::path absolute = fs::absolute(candidate, ec);
      return Page{std::u16string(helpFile), ec ? candidate : absolute.lexically_normal(), anchor};
    }
  }
  return std::nullopt;
}

std::u16string missingHelpMessage(std::u16string_view helpFile) {
  return u"The help \"" + std::u16string(helpFile) +
         u"\" could not be found.\r\n\r\nIt is installed with Carrowind in share/carrowind/help; "
         u"reinstalling Carrowind puts it back.";
}

Handler setHandler(Handler handler) {
  return slot().exchange(std::move(handler));
}

bool showHelp(std::u16string_view helpFile) {
  const auto page = resolve(helpFile, searchDirectories());
  if (!page) {
    std::fprintf(stderr, "help: %s not found\n", text::toUtf8(helpFile).c_str());
    messagebox::show(missingHelpMessage(helpFile), kHelpTitle, messagebox::Icon::Exclamation);
    return false;
  }
  const Handler handler = slot().current();
  if (handler ? handler(*page) : defaultOpen(*page)) return true;
  std::fprintf(stderr, "help: could not open %s\n", page->file.string().c_str());
  messagebox::show(u"The help page could not be opened in a web browser:\r\n\r\n" +
                       text::fromUtf8(page->file.string()),
                   kHelpTitle, messagebox::Icon::Exclamation);
  return false;
}

}  // namespace platform::help
