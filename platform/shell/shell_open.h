#pragma once
// The shell's "open" of a web or mail address as a replaceable seam. A
// program with a desktop installs a handler that passes the address to the
// desktop's URL handler, tests one that records it. Without a handler the
// address is written to standard error for the user to open.
//
// Only web ("http:", "https:", or a bare "www." host) and "mailto:"
// addresses are opened: an address is never run as a program or opened as
// a local file. Failures are logged to standard error and otherwise not
// reported; what the desktop does with the address is not the caller's
// concern.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::shell {

// Receives a checked address; returns whether it was handed off.
using Handler = std::function<bool(const std::u16string& address)>;

// Installs a handler (an empty one restores the default) and returns the
// one it replaces, so a caller can put it back.
Handler setHandler(Handler handler);

// Opens the address; false when it was refused or the handler failed.
bool open(std::u16string_view address);

// The address as it is handed off ("www.x" gets "http://"), or nothing
// for an address that must not be opened.
std::optional<std::u16string> checkedAddress(std::u16string_view address);

}  // namespace platform::shell
