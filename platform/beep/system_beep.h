#pragma once
// The system beep as a replaceable seam: a program with windows installs
// one that rings the desktop's bell, tests one that counts. By default the
// terminal's bell rings when standard error is a terminal, and nothing
// happens otherwise (a bell character in a log helps nobody).
#include <functional>

namespace support {

using BeepHandler = std::function<void()>;

// Installs a handler (an empty one restores the default); returns the old one.
BeepHandler setBeepHandler(BeepHandler handler);

void Beep();

}  // namespace support
