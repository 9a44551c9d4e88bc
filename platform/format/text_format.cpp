#include "platform/format/text_format.h"

#include "platform/format/format_scan.h"
#include "platform/locale/user_locale.h"

namespace platform::format {

std::u16string formatTextSection(std::u16string_view text, std::u16string_view f) {
  std::size_t places = 0;
  bool fromLeft = false, upper = false, lower = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'"') scan::quoted(f, i, i);
    else if (f[i] == u'\\') ++i;
    else if (f[i] == u'@' || f[i] == u'&') ++places;
    else if (f[i] == u'!') fromLeft = true;
    else if (f[i] == u'<') lower = true;
    else if (f[i] == u'>') upper = true;
  }
  std::u16string value(text);
  if (upper) value = locale::toUpper(value);  // > wins when both appear
  else if (lower) value = locale::toLower(value);

  // One character per placeholder, filled from the right (from the left with
  // !); the placeholder at the far end of the fill takes any surplus.
  const std::u16string_view all(value);
  auto slot = [&](std::size_t k) -> std::u16string_view {
    if (!fromLeft) return scan::filledFromRight(all, places, k);
    if (k >= all.size()) return {};
    return all.substr(k, k + 1 == places ? std::u16string_view::npos : 1);
  };
  std::u16string out;
  std::size_t k = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'@' || c == u'&') {
      const std::u16string_view s = slot(k++);
      if (s.empty() && c == u'@') out += u' ';
      else out += s;
    } else if (c == u'!' || c == u'<' || c == u'>') {
    } else if (c == u'\\' && i + 1 < f.size()) {
      out += f[++i];
    } else if (c == u'"') {
      std::size_t close = 0;
      out += scan::quoted(f, i, close);
      i = close;
    } else {
      out += c;
    }
  }
  if (places == 0) out += value;
  return out;
}

}  // namespace platform::format
