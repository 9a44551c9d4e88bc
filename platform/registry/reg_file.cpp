#include "platform/registry/reg_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/registry/key_names.h"
#include "platform/registry/store.h"
#include "platform/registry/transaction.h"
#include "platform/text/utf.h"

namespace registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kBreak = "\r\n";

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string joinPath(const std::string& a, const std::string& b) { return b.empty() ? a : a + "\\" + b; }

// Text from a file or the store as a message quotes it: a key path can be
// 130 000 characters long, a line anything.
std::string shown(std::string_view text, std::size_t most = 120) {
  if (text.size() <= most) return std::string(text);
  std::size_t cut = most;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) --cut;  // not inside a character
  return std::string(text.substr(0, cut)) + "...";
}

// Levels below the hive where a key of that path lies.
std::size_t depthOf(const FullKeyPath& key) {
  std::size_t depth = key.hive == HKEY_CLASSES_ROOT ? 2 : 0;  // HKEY_CURRENT_USER\Software\Classes
  if (!key.subKey.empty()) depth += 1 + static_cast<std::size_t>(std::count(key.subKey.begin(), key.subKey.end(), '\\'));
  return depth;
}

// --- export ---

std::string quoted(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') r += '\\';
    r += c;
  }
  return r + "\"";
}

bool isUtf8(std::string_view s) { return text::toUtf8(text::fromUtf8(s)) == s; }

// A REG_SZ that the quoted form gives back exactly.
bool isPlainString(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  data.remove_suffix(1);
  for (char c : data)
    if (c == '\0' || c == '\r' || c == '\n') return false;
  return isUtf8(data);
}

std::string utf16le(std::string_view bytes) {
  std::string r;
  for (char16_t u : text::fromUtf8(bytes)) {
    r += static_cast<char>(u & 0xff);
    r += static_cast<char>(u >> 8);
  }
  return r;
}

// hex bytes, wrapped as the registry editor wraps them.
void appendHex(std::string& out, std::size_t lineStart, std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
    if (i + 1 < bytes.size()) {
      out += ',';
      if (out.size() - lineStart > 76) {
        out += "\\\r\n  ";
        lineStart = out.size() - 2;
      }
    }
  }
}

void appendValue(std::string& out, const std::string& name, DWORD type, std::string_view data) {
  const std::size_t lineStart = out.size();
  out += name.empty() ? std::string("@") : quoted(std::string_view(name));
  out += '=';
  if (type == REG_SZ && isPlainString(data)) {
    out += quoted(data.substr(0, data.size() - 1));
  } else if (type == REG_DWORD && data.size() == 4) {
    DWORD v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
    out += buffer;
  } else if (type == REG_BINARY) {
    out += "hex:";
    appendHex(out, lineStart, data);
  } else {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "hex(%x):", type);
    out += buffer;
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    appendHex(out, lineStart, text ? utf16le(data) : std::string(data));
  }
  out += kBreak;
}

// A key's line and its values. Values a registry cannot hold (a store
// written before values were limited may have them) are left out and noted,
// so that the file can always be imported again.
void exportValues(std::string& out, HKEY key, const std::string& fullName, std::vector<std::string>* leftOut) {
  out += "[" + fullName + "]" + kBreak;
  std::vector<char> name(256);
  std::string data(64, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG r = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &dataSize);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r == ERROR_MORE_DATA) {
      if (nameSize >= name.size()) name.resize(nameSize + 1);
      if (dataSize > data.size()) data.resize(dataSize);
      --i;
      continue;
    }
    if (r != ERROR_SUCCESS) throw RegFileError("cannot read " + shown(fullName) + ": " + describeFailure(r), r);
    const std::string valueName(name.data(), nameSize);
    if (dataSize > kMaxValueSize || detail::nameLength(valueName) > kMaxValueNameLength) {
      if (leftOut)
        leftOut->push_back("left out the value \"" + shown(valueName) + "\" of " + shown(fullName) + ": its " +
                           std::to_string(dataSize) + " bytes are more than a registry value holds (" +
                           std::to_string(kMaxValueSize) + ")");
      continue;
    }
    appendValue(out, valueName, type, std::string_view(data.data(), dataSize));
  }
  out += kBreak;
}

// The name of a key's subkey number `index`; false when there are no more.
bool subkeyName(HKEY key, DWORD index, const std::string& fullName, std::string* child) {
  std::vector<char> name(256);
  for (;;) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    LONG r = RegEnumKeyExA(key, index, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) return false;
    if (r == ERROR_MORE_DATA) {
      name.resize(nameSize + 1);
      continue;
    }
    if (r != ERROR_SUCCESS) throw RegFileError("cannot read " + shown(fullName) + ": " + describeFailure(r), r);
    child->assign(name.data(), nameSize);
    return true;
  }
}

// The tree below `root`, depth first, each key before its subkeys. Walked
// with a list of the open keys rather than by recursion: a store written
// before keys were limited may be any number of levels deep. Keys below
// kMaxKeyDepth are left out and noted.
void exportTree(std::string& out, HKEY root, const std::string& rootName, std::size_t rootDepth,
                std::vector<std::string>* leftOut) {
  struct Open {
    HKEY key;
    std::string fullName;
    DWORD next = 0;  // the subkey to visit next
  };
  std::vector<Open> path{{root, rootName}};
  try {
    exportValues(out, root, rootName, leftOut);
    while (!path.empty()) {
      Open& top = path.back();
      std::string child;
      const bool more = subkeyName(top.key, top.next, top.fullName, &child);
      if (more && rootDepth + path.size() > kMaxKeyDepth) {
        if (leftOut)
          leftOut->push_back("left out the keys below " + shown(top.fullName) + ": it is " +
                             std::to_string(kMaxKeyDepth) + " levels deep, and a registry holds no deeper key");
      }
      if (!more || rootDepth + path.size() > kMaxKeyDepth) {
        if (top.key != root) RegCloseKey(top.key);
        path.pop_back();
        continue;
      }
      ++top.next;
      std::string fullName = top.fullName + "\\" + child;
      HKEY sub{};
      if (LONG r = RegOpenKeyA(top.key, child.c_str(), &sub); r != ERROR_SUCCESS)
        throw RegFileError("cannot read " + shown(fullName) + ": " + describeFailure(r), r);
      path.push_back({sub, std::move(fullName)});
      exportValues(out, sub, path.back().fullName, leftOut);
    }
  } catch (...) {
    for (const auto& open : path)
      if (open.key != root) RegCloseKey(open.key);
    throw;
  }
}

// --- import ---

struct Operation {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
  int line;
  FullKeyPath key;
  std::string name;
  DWORD type = 0;
  std::string data;
};

[[noreturn]] void malformed(int line, const std::string& what) {
  throw RegFileError("line " + std::to_string(line) + ": " + what, ERROR_SUCCESS, line);
}

// Why a key line's path is refused.
std::string whyNotAKey(std::string_view path) {
  const auto slash = path.find('\\');
  const bool hive = parseFullKeyPath(path.substr(0, slash)).has_value();
  if (hive && slash != std::string_view::npos) {
    std::string_view rest = path.substr(slash + 1);
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    for (std::size_t start = 0; start <= rest.size();) {
      auto end = rest.find('\\', start);
      if (end == std::string_view::npos) end = rest.size();
      if (detail::nameLength(rest.substr(start, end - start)) > kMaxKeyNameLength)
        return "the key name \"" + shown(rest.substr(start, end - start), 40) + "\" is longer than " +
               std::to_string(kMaxKeyNameLength) + " characters";
      start = end + 1;
    }
  }
  return "\"" + shown(path) + "\" is not a key of HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT";
}

std::string decode(std::string_view contents) {
  if (contents.size() >= 2 && static_cast<unsigned char>(contents[0]) == 0xff &&
      static_cast<unsigned char>(contents[1]) == 0xfe) {
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < contents.size(); i += 2)
      wide += static_cast<char16_t>(static_cast<unsigned char>(contents[i]) |
                                    (static_cast<unsigned char>(contents[i + 1]) << 8));
    return text::toUtf8(wide);
  }
  if (contents.substr(0, 3) == "\xef\xbb\xbf") contents.remove_prefix(3);
  return std::string(contents);
}

std::string trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

// A quoted string at text[pos] (the opening quote); pos moves past the close.
std::optional<std::string> unquote(const std::string& text, std::size_t& pos) {
  std::string r;
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') {
      ++pos;
      return r;
    }
    if (c == '\\' && pos + 1 < text.size()) c = text[++pos];
    r += c;
  }
  return std::nullopt;
}

std::string parseHexBytes(std::string_view list, int line) {
  std::string bytes;
  std::size_t i = 0;
  auto hexDigit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  while (i < list.size()) {
    while (i < list.size() && (list[i] == ' ' || list[i] == '\t')) ++i;
    if (i >= list.size()) break;
    const std::size_t start = i;
    while (i < list.size() && list[i] != ',') ++i;
    const std::string item = trim(list.substr(start, i - start));
    if (item.empty() || item.size() > 2 || hexDigit(item[0]) < 0 || (item.size() == 2 && hexDigit(item[1]) < 0))
      malformed(line, "\"" + shown(item) + "\" is not a hex byte");
    bytes += static_cast<char>(item.size() == 1 ? hexDigit(item[0]) : hexDigit(item[0]) * 16 + hexDigit(item[1]));
    if (i < list.size()) ++i;  // the comma
    if (i == list.size() && list.back() == ',') malformed(line, "the hex list ends with a comma");
  }
  return bytes;
}

// UTF-16LE bytes of a hex(1)/hex(2)/hex(7) string, back in the code page.
std::string fromUtf16le(std::string_view bytes, int line) {
  if (bytes.size() % 2) malformed(line, "a string's hex bytes must come in pairs");
  std::u16string wide;
  for (std::size_t i = 0; i < bytes.size(); i += 2)
    wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text::toUtf8(wide);
}

void parseValue(const std::string& entry, int line, const FullKeyPath& key, std::vector<Operation>& ops) {
  std::size_t pos = 0;
  std::string name;
  if (entry[0] == '@') {
    pos = 1;
  } else {
    auto n = unquote(entry, pos);
    if (!n) malformed(line, "the value name has no closing quote");
    name = *n;
  }
  while (pos < entry.size() && entry[pos] == ' ') ++pos;
  if (pos >= entry.size() || entry[pos] != '=') malformed(line, "expected = after the value name");
  const std::string data = trim(std::string_view(entry).substr(pos + 1));
  Operation op{Operation::SetValue, line, key, name, 0, {}};
  if (data == "-") {
    op.kind = Operation::DeleteValue;
  } else if (!data.empty() && data[0] == '"') {
    std::size_t p = 0;
    auto s = unquote(data, p);
    if (!s || p != data.size()) malformed(line, "a string value must be one quoted text");
    op.type = REG_SZ;
    op.data = *s + '\0';
  } else if (lower(data.substr(0, 6)) == "dword:") {
    const std::string digits = data.substr(6);
    if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      malformed(line, "dword: takes one to eight hex digits");
    const auto v = static_cast<DWORD>(std::stoul(digits, nullptr, 16));
    op.type = REG_DWORD;
    for (int i = 0; i < 4; ++i) op.data += static_cast<char>((v >> (8 * i)) & 0xff);
  } else if (lower(data.substr(0, 4)) == "hex:") {
    op.type = REG_BINARY;
    op.data = parseHexBytes(std::string_view(data).substr(4), line);
  } else if (lower(data.substr(0, 4)) == "hex(") {
    const auto close = data.find("):");
    const std::string digits = close == std::string::npos ? "" : data.substr(4, close - 4);
    if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      malformed(line, "hex(type): needs the type in hex digits");
    op.type = static_cast<DWORD>(std::stoul(digits, nullptr, 16));
    op.data = parseHexBytes(std::string_view(data).substr(close + 2), line);
    if (op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ) op.data = fromUtf16le(op.data, line);
  } else {
    malformed(line, "unknown value data \"" + shown(data) + "\"");
  }
  if (detail::nameLength(name) > kMaxValueNameLength)
    malformed(line, "the value name is longer than " + std::to_string(kMaxValueNameLength) + " characters");
  if (op.data.size() > kMaxValueSize)
    malformed(line, "the value holds " + std::to_string(op.data.size()) + " bytes; a registry value holds at most " +
                        std::to_string(kMaxValueSize));
  ops.push_back(std::move(op));
}

std::vector<Operation> parse(std::string_view contents) {
  const std::string text = decode(contents);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= text.size();) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(trim(std::string_view(text).substr(start, end - start)));
    start = end + 1;
  }
  std::vector<Operation> ops;
  std::optional<FullKeyPath> key;
  bool header = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i + 1);
    std::string entry = lines[i];
    if (entry.empty() || entry[0] == ';') continue;
    // Text that is not UTF-8 would be stored as given but exported as
    // something else: a backup must give back what it saved.
    if (!isUtf8(entry)) malformed(line, "the line is not UTF-8 text (save the file as UTF-8 or UTF-16)");
    if (!header) {
      if (entry != kHeader) malformed(line, "not a registry editor file (it must begin with \"" + std::string(kHeader) + "\")");
      header = true;
      continue;
    }
    if (entry[0] == '[') {
      if (entry.back() != ']') malformed(line, "a key line must end with ]");
      const bool remove = entry.size() > 1 && entry[1] == '-';
      const auto name = std::string_view(entry).substr(remove ? 2 : 1, entry.size() - (remove ? 3 : 2));
      auto path = parseFullKeyPath(name);
      if (!path) malformed(line, whyNotAKey(name));
      if (depthOf(*path) > kMaxKeyDepth)
        malformed(line, "the key is " + std::to_string(depthOf(*path)) + " levels deep; a registry key lies at most " +
                            std::to_string(kMaxKeyDepth) + " levels below its hive");
      ops.push_back({remove ? Operation::DeleteKey : Operation::CreateKey, line, *path, {}, 0, {}});
      if (remove) key.reset();
      else key = *path;
      continue;
    }
    if (entry[0] != '@' && entry[0] != '"') malformed(line, "expected a [key] or a value");
    if (!key) malformed(line, "a value before any key");
    // Long hex lists go on over lines ending in a backslash.
    while (entry.back() == '\\' && entry.find("=hex") != std::string::npos && i + 1 < lines.size()) {
      entry.pop_back();
      entry += lines[++i];
    }
    parseValue(entry, line, *key, ops);
  }
  if (!header) malformed(1, "not a registry editor file (it is empty)");
  return ops;
}

[[noreturn]] void failed(const Operation& op, const std::string& what, LONG code) {
  throw RegFileError("line " + std::to_string(op.line) + ": " + what + ": " + describeFailure(code), code, op.line);
}

}  // namespace

std::optional<FullKeyPath> parseFullKeyPath(std::string_view path) {
  const auto slash = path.find('\\');
  const std::string hive = lower(path.substr(0, slash));
  FullKeyPath r;
  if (hive == "hkey_current_user" || hive == "hkcu") r.hive = HKEY_CURRENT_USER;
  else if (hive == "hkey_local_machine" || hive == "hklm") r.hive = HKEY_LOCAL_MACHINE;
  else if (hive == "hkey_classes_root" || hive == "hkcr") r.hive = HKEY_CLASSES_ROOT;
  else return std::nullopt;
  if (slash != std::string_view::npos) r.subKey = std::string(path.substr(slash + 1));
  if (!r.subKey.empty() && r.subKey.back() == '\\') r.subKey.pop_back();
  if (!detail::splitKeyPath(r.subKey)) return std::nullopt;
  return r;
}

std::string hiveName(HKEY hive) {
  if (hive == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (hive == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (hive == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  return "";
}

std::string exportRegFile(const FullKeyPath& key, std::vector<std::string>* leftOut) {
  const std::string fullName = joinPath(hiveName(key.hive), key.subKey);
  if (depthOf(key) > kMaxKeyDepth)
    throw RegFileError("cannot export " + shown(fullName) + ": it lies more than " + std::to_string(kMaxKeyDepth) +
                           " levels deep, where a registry holds no key",
                       ERROR_BAD_PATHNAME);
  HKEY handle{};
  if (LONG r = RegOpenKeyA(key.hive, key.subKey.c_str(), &handle); r != ERROR_SUCCESS)
    throw RegFileError("cannot export " + shown(fullName) + ": " + describeFailure(r), r);
  std::string out = std::string(kHeader) + kBreak + kBreak;
  try {
    // One snapshot, even while another program writes.
    Transaction snapshot;
    exportTree(out, handle, fullName, depthOf(key), leftOut);
  } catch (...) {
    RegCloseKey(handle);
    throw;
  }
  RegCloseKey(handle);
  return out;
}

ImportSummary importRegFile(std::string_view contents) {
  const auto ops = parse(contents);
  ImportSummary summary;
  Transaction all;
  if (all.status() != ERROR_SUCCESS)
    throw RegFileError("cannot change the settings: " + describeFailure(all.status()), all.status());
  HKEY current{};
  auto closeCurrent = [&] {
    if (current != HKEY{}) RegCloseKey(current);
    current = HKEY{};
  };
  try {
    for (const auto& op : ops) {
      const std::string fullName = shown(joinPath(hiveName(op.key.hive), op.key.subKey));
      switch (op.kind) {
        case Operation::CreateKey: {
          closeCurrent();
          if (LONG r = RegCreateKeyA(op.key.hive, op.key.subKey.c_str(), &current); r != ERROR_SUCCESS)
            failed(op, "cannot create " + fullName, r);
          ++summary.keys;
          break;
        }
        case Operation::DeleteKey: {
          closeCurrent();
          LONG r = RegDeleteTreeA(op.key.hive, op.key.subKey.c_str());
          if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) failed(op, "cannot delete " + fullName, r);
          if (r == ERROR_SUCCESS) ++summary.deletedKeys;
          break;
        }
        case Operation::SetValue: {
          LONG r = RegSetValueExA(current, op.name.c_str(), 0, op.type, reinterpret_cast<const BYTE*>(op.data.data()),
                                  static_cast<DWORD>(op.data.size()));
          if (r != ERROR_SUCCESS) failed(op, "cannot set a value of " + fullName, r);
          ++summary.values;
          break;
        }
        case Operation::DeleteValue: {
          LONG r = RegDeleteValueA(current, op.name.c_str());
          if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) failed(op, "cannot delete a value of " + fullName, r);
          ++summary.values;
          break;
        }
      }
    }
  } catch (...) {
    closeCurrent();
    throw;  // `all` rolls back
  }
  closeCurrent();
  if (LONG r = all.commit(); r != ERROR_SUCCESS) throw RegFileError("cannot save the settings: " + describeFailure(r), r);
  return summary;
}

}  // namespace registry
