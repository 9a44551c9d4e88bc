#include "engine/label_wrap.h"

#include <unicode/utf16.h>

#include "engine/text_compare.h"

namespace engine {
namespace {

constexpr std::u16string_view kBreak = u"\r\n";

std::u16string wrap(const std::u16string& t, std::size_t w) {
  std::u16string out;
  out.reserve(t.size() + t.size() / w * 3 + 4);
  std::size_t lineLength = 0;
  bool atLineStart = true;
  bool sawSpace = false;
  std::size_t sinceSpace = 0;  // units read since that space, the current one included
  std::size_t lastUnits = 0;   // units of the last character written (1, or 2 for a pair)

  for (std::size_t i = 0; i < t.size();) {
    std::size_t next = i;
    U16_FWD_1(t.data(), next, t.size());
    const std::u16string_view c(t.data() + i, next - i);
    const std::size_t units = c.size();
    i = next;

    if (c == u"\r" || c == u"\n") {
      // The label's own break: the count starts again.
      out.append(c);
      lineLength = 0;
      atLineStart = true;
      sawSpace = false;
      sinceSpace = 0;
      continue;
    }
    const bool space = c == u" ";
    if (space && atLineStart) continue;
    if (space) {
      sinceSpace = 0;
      sawSpace = true;
    } else if (sawSpace) {
      sinceSpace += units;
    }
    // A character wider than the whole line still has to go somewhere.
    if (lineLength + units <= w || lineLength == 0) {
      out.append(c);
      lineLength += units;
      lastUnits = units;
      atLineStart = false;
      continue;
    }
    if (space) {
      out.append(kBreak);
      lineLength = 0;
      atLineStart = true;
    } else if (sawSpace) {
      // Break at the last space: it becomes the line break, and the
      // characters written after it move to the new line with c.
      const std::size_t kept = sinceSpace - units;
      const std::size_t spaceAt = out.size() - kept - 1;
      out.replace(spaceAt, 1, kBreak);
      out.append(c);
      lineLength = sinceSpace;
      lastUnits = units;
      atLineStart = false;
    } else {
      // No space on the line: hyphenate before its last character.
      std::u16string moved = out.substr(out.size() - lastUnits);
      out.resize(out.size() - lastUnits);
      out.push_back(u'-');
      out.append(kBreak);
      out.append(moved);
      out.append(c);
      lineLength = moved.size() + units;
      lastUnits = units;
      atLineStart = false;
    }
    sawSpace = false;
    sinceSpace = 0;
  }
  return out;
}

}  // namespace

std::u16string WrapLabelText(std::u16string_view text, int width) {
  if (width <= 0) return std::u16string(text);
  std::u16string t = replaceNoCase(text, u"$$NEWLINE", kBreak);
  try {
    if (t.size() <= static_cast<std::size_t>(width)) return t;
    return wrap(t, static_cast<std::size_t>(width));
  } catch (...) {
    return t;
  }
}

}  // namespace engine
