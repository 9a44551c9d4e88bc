#include "support/basRegistry.h"

#include <cmath>
#include <limits>
#include <optional>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace support::basRegistry {
namespace {

using namespace registry;

LONG lastCode = ERROR_SUCCESS;

LONG note(LONG code) { return lastCode = code; }

std::string codePage(std::u16string_view s) { return ::text::toUtf8(s); }

std::u16string trimBlanks(std::u16string_view s) {
  const auto first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return std::u16string(s.substr(first, s.find_last_not_of(u' ') - first + 1));
}

// What a value stores: a 32-bit number, or text.
struct Stored {
  bool isNumber = false;
  std::int32_t number = 0;
  std::u16string text;
};

bool fitsInt32(double rounded) {
  return std::isfinite(rounded) && rounded >= std::numeric_limits<std::int32_t>::min() &&
         rounded <= std::numeric_limits<std::int32_t>::max();
}

std::optional<Stored> storedForm(const com::Variant& value) {
  Stored s;
  double number = 0;
  bool numeric = false;
  switch (value.kind()) {
    case com::Variant::Kind::Int16:
    case com::Variant::Kind::Int32:
    case com::Variant::Kind::Double:
      number = value.toDouble();
      numeric = true;
      s.text = platform::format::numberText(number);
      break;
    case com::Variant::Kind::Text:
      s.text = value.text();
      numeric = platform::locale::isDecimalText(s.text, &number);
      break;
    case com::Variant::Kind::Bool: s.text = value.boolean() ? u"TRUE" : u"FALSE"; break;
    case com::Variant::Kind::Date: s.text = platform::format::dateText(value.oleDate()); break;
    case com::Variant::Kind::Empty:
    case com::Variant::Kind::Null: break;
    case com::Variant::Kind::Object: return std::nullopt;
  }
  if (numeric) {
    const double rounded = platform::format::roundHalfEven(number, 0);
    if (fitsInt32(rounded)) {
      s.isNumber = true;
      s.number = static_cast<std::int32_t>(rounded);
      return s;
    }
  }
  s.text = trimBlanks(s.text);
  return s;
}

}  // namespace

bool KeyExists(HKEY hive, std::u16string_view path) {
  HKEY key{};
  const bool found = note(RegOpenKeyA(hive, codePage(path).c_str(), &key)) == ERROR_SUCCESS;
  if (found) note(RegCloseKey(key));
  return found;
}

com::Variant ReadSetting(HKEY hive, std::u16string_view path, std::u16string_view name) {
  HKEY key{};
  if (note(RegOpenKeyA(hive, codePage(path).c_str(), &key)) != ERROR_SUCCESS) return std::u16string();
  const std::string valueName = codePage(name);
  com::Variant result = std::u16string();
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (note(RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size)) == ERROR_SUCCESS) {
    if (type == REG_SZ) {
      std::string buffer(size, '\0');
      if (note(RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                &size)) == ERROR_SUCCESS) {
        buffer.resize(std::min<std::size_t>(size, buffer.size()));
        if (auto nul = buffer.find('\0'); nul != std::string::npos) buffer.resize(nul);
        result = ::text::fromUtf8(buffer);
      }
    } else if (type == REG_DWORD) {
      BYTE bytes[4] = {};
      size = sizeof bytes;
      if (note(RegQueryValueExA(key, valueName.c_str(), nullptr, &type, bytes, &size)) == ERROR_SUCCESS) {
        const auto n = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                       static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        result = static_cast<std::int32_t>(n);
      }
    }
  }
  note(RegCloseKey(key));
  return result;
}

namespace {

// The answer of the store to the write itself: the close that follows always
// succeeds and would hide a refused value from callers that must know.
LONG write(HKEY hive, std::u16string_view path, std::u16string_view name, const Stored* stored) {
  HKEY key{};
  if (LONG opened = note(RegCreateKeyA(hive, codePage(path).c_str(), &key)); opened != ERROR_SUCCESS) return opened;
  LONG written;
  const std::string valueName = codePage(name);
  if (stored->isNumber) {
    const auto n = static_cast<std::uint32_t>(stored->number);
    const BYTE bytes[4] = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                           static_cast<BYTE>(n >> 24)};
    written = note(RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD, bytes, sizeof bytes));
  } else {
    // The length counts bytes of the code page, not characters: a text with
    // letters beyond ASCII is stored whole.
    const std::string text = codePage(stored->text);
    written = note(RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>(text.size() + 1)));
  }
  note(RegCloseKey(key));
  return written;
}

}  // namespace

LONG WriteSetting(HKEY hive, std::u16string_view path, std::u16string_view name, const com::Variant& value) {
  const auto stored = storedForm(value);
  return stored ? write(hive, path, name, &*stored) : ERROR_INVALID_PARAMETER;
}

LONG WriteTextSetting(HKEY hive, std::u16string_view path, std::u16string_view name, std::u16string_view text) {
  Stored stored;
  stored.text = trimBlanks(text);
  return write(hive, path, name, &stored);
}

LONG DeleteSettingValue(HKEY hive, std::u16string_view path, std::u16string_view name) {
  if (!KeyExists(hive, path)) return ERROR_SUCCESS;
  HKEY key{};
  if (LONG opened = note(RegOpenKeyA(hive, codePage(path).c_str(), &key)); opened != ERROR_SUCCESS) return opened;
  const LONG deleted = note(RegDeleteValueA(key, codePage(name).c_str()));
  note(RegCloseKey(key));
  return deleted;
}

void CreateKey(HKEY hive, std::u16string_view path) {
  HKEY key{};
  if (note(RegCreateKeyA(hive, codePage(path).c_str(), &key)) == ERROR_SUCCESS) note(RegCloseKey(key));
}

std::u16string SettingText(const com::Variant& setting) {
  if (setting.isText()) return setting.text();
  if (setting.kind() == com::Variant::Kind::Int32) return ::text::fromUtf8(std::to_string(setting.int32()));
  return {};
}

LONG LastResult() { return lastCode; }

}  // namespace support::basRegistry
