#include "platform/shell/shell_open.h"

#include <algorithm>
#include <cstdio>

#include "platform/text/utf.h"
#include "platform/seam/handler_slot.h"

namespace platform::shell {
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
  return *s;
}

bool startsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

std::optional<std::u16string> checkedAddress(std::u16string_view address) {
  while (!address.empty() && isBlank(address.front())) address.remove_prefix(1);
  while (!address.empty() && isBlank(address.back())) address.remove_suffix(1);
  // A control character could split the address into something else in
  // the desktop's handler.
  if (std::any_of(address.begin(), address.end(), [](char16_t c) { return c < 0x20 || c == 0x7f; }))
    return std::nullopt;
  for (std::u16string_view scheme : {u"http://", u"https://"}) {
    if (startsWithNoCase(address, scheme)) {
      if (address.size() == scheme.size()) return std::nullopt;
      return std::u16string(address);
    }
  }
  if (startsWithNoCase(address, u"mailto:")) {
    if (address.size() == 7) return std::nullopt;
    return std::u16string(address);
  }
  // The shell opened a bare "www." host as a web address.
  if (startsWithNoCase(address, u"www.") && address.size() > 4) return u"http://" + std::u16string(address);
  return std::nullopt;
}

Handler setHandler(Handler handler) {
  return slot().exchange(std::move(handler));
}

bool open(std::u16string_view address) {
  const auto checked = checkedAddress(address);
  if (!checked) {
    std::fprintf(stderr, "shell: not a web or mail address, not opened: %s\n", text::toUtf8(address).c_str());
    return false;
  }
  const Handler handler = slot().current();
  if (!handler) {
    std::fprintf(stderr, "open: %s\n", text::toUtf8(*checked).c_str());
    return true;
  }
  if (handler(*checked)) return true;
  std::fprintf(stderr, "shell: the desktop could not open %s\n", text::toUtf8(*checked).c_str());
  return false;
}

}  // namespace platform::shell
