#pragma once
// Breaking a finished label into lines no longer than the wrap width.
#include <string>
#include <string_view>

namespace engine {

// Replaces "$$NEWLINE" (any case) by CR LF, then, when the label is longer
// than width, breaks it at the last space of a full line, or inside a word
// with a hyphen when the line has no space. Lengths count UTF-16 units;
// a surrogate pair is never split. A line break already in the label
// starts a new line for the count, just as the start of the label does
// (spaces at the start of such a line are dropped while wrapping).
// width 0 or less returns the text unchanged.
std::u16string WrapLabelText(std::u16string_view text, int width);

}  // namespace engine
