#pragma once
// Registry editor files ("Windows Registry Editor Version 5.00"): the text
// users back up and move their settings and quick picks with.
//
// Export writes UTF-8 with CR LF line breaks; import also reads the UTF-16
// files the Windows registry editor writes. Strings are stored in the system
// code page (UTF-8) and appear in the file as the editor writes them:
// "text" for a plain REG_SZ, dword:0000002a, hex:.. for binary data and
// hex(2):/hex(7):/hex(1): as UTF-16LE bytes for expandable, multi-part and
// irregular strings (embedded NULs, line breaks, no terminating NUL).
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace registry {

// A key named with its hive: "HKEY_CURRENT_USER\Software\Quorvex" (also
// HKCU, HKLM, HKCR; any letter case).
struct FullKeyPath {
  HKEY hive{};
  std::string subKey;  // without leading backslash; empty for the hive itself
};
std::optional<FullKeyPath> parseFullKeyPath(std::string_view path);
// "HKEY_CURRENT_USER" and so on.
std::string hiveName(HKEY hive);

class RegFileError : public std::runtime_error {
 public:
  RegFileError(const std::string& message, LONG code = ERROR_SUCCESS, int line = 0)
      : std::runtime_error(message), code_(code), line_(line) {}
  // The registry call's failure, ERROR_SUCCESS for a malformed file.
  LONG code() const { return code_; }
  // The file's line (from 1) for a malformed or failing entry, else 0.
  int line() const { return line_; }

 private:
  LONG code_;
  int line_;
};

// The key with everything below it, as a registry editor file. Throws
// RegFileError when the key is missing or the store cannot be read. What a
// registry cannot hold (keys deeper than kMaxKeyDepth, values larger than
// kMaxValueSize, which stores written before those limits may have) is left
// out, so that the file can be imported again, and each omission is added
// to *leftOut.
std::string exportRegFile(const FullKeyPath& key, std::vector<std::string>* leftOut = nullptr);

struct ImportSummary {
  int keys = 0;    // keys created or updated
  int values = 0;  // values set or deleted
  int deletedKeys = 0;
};

// Applies a registry editor file as one transaction: a malformed line or a
// failing call throws RegFileError and changes nothing. Keys deeper than
// kMaxKeyDepth, names longer than the registry's limits and values larger
// than kMaxValueSize are malformed.
ImportSummary importRegFile(std::string_view contents);

}  // namespace registry
