#pragma once
// Progress of long work as a replaceable seam: the engine reports how many
// records (or, asking one query per class, how many classes) it has read, a
// program with a terminal or a window installs a handler that shows it.
// Without a handler nothing is shown.
#include <functional>

namespace platform::progress {

// done of total units finished; total 0 when it is not known yet. Called
// with done == total at the end; done never goes down within one piece of
// work.
using Handler = std::function<void(int done, int total)>;

// Installs a handler (an empty one removes it) and returns the one it
// replaces, so a caller can put it back.
Handler setHandler(Handler handler);

void report(int done, int total);

}  // namespace platform::progress
