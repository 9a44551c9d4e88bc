#include "support/basRegistry.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace support::basRegistry {
namespace {

using namespace registry;

LONG lastCode = ERROR_SUCCESS;

LONG note(LONG code) { return lastCode = code; }

std::u16string asText(const com::Variant& value) {
  if (value.isText()) return value.text();
  if (value.isNumber()) {
    const double d = value.toDouble();
    if (d == std::trunc(d) && std::fabs(d) < 1e15) return ::text::fromUtf8(std::to_string(static_cast<long long>(d)));
    return ::text::fromUtf8(std::to_string(d));
  }
  return {};
}

std::u16string trimBlanks(std::u16string s) {
  const auto first = s.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

}  // namespace

bool KeyExists(HKEY hive, const std::string& path) {
  HKEY key{};
  const bool found = note(RegOpenKeyA(hive, path.c_str(), &key)) == ERROR_SUCCESS;
  if (found) note(RegCloseKey(key));
  return found;
}

com::Variant ReadSetting(HKEY hive, const std::string& path, const std::string& name) {
  HKEY key{};
  if (note(RegOpenKeyA(hive, path.c_str(), &key)) != ERROR_SUCCESS) return std::u16string();
  com::Variant result = std::u16string();
  DWORD type = 0, size = 0;
  if (note(RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size)) == ERROR_SUCCESS) {
    if (type == REG_SZ) {
      std::string buffer(size, '\0');
      if (note(RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size)) ==
          ERROR_SUCCESS) {
        buffer.resize(std::min<std::size_t>(size, buffer.size()));
        if (auto nul = buffer.find('\0'); nul != std::string::npos) buffer.resize(nul);
        result = ::text::fromUtf8(buffer);
      }
    } else if (type == REG_DWORD) {
      DWORD number = 0;
      size = sizeof number;
      if (note(RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size)) ==
          ERROR_SUCCESS)
        result = static_cast<std::int32_t>(number);
    }
  }
  note(RegCloseKey(key));
  return result;
}

void WriteSetting(HKEY hive, const std::string& path, const std::string& name, const com::Variant& value) {
  const std::u16string given = asText(value);
  double number = 0;
  bool numeric = value.isNumber() ? (number = value.toDouble(), true) : platform::locale::isNumeric(given, &number);
  std::int32_t whole = 0;
  if (numeric) {
    const double rounded = platform::format::roundHalfEven(number, 0);
    numeric = std::isfinite(rounded) && rounded >= std::numeric_limits<std::int32_t>::min() &&
              rounded <= std::numeric_limits<std::int32_t>::max();
    if (numeric) whole = static_cast<std::int32_t>(rounded);
  }
  HKEY key{};
  if (note(RegCreateKeyA(hive, path.c_str(), &key)) != ERROR_SUCCESS) return;
  if (numeric) {
    const auto data = static_cast<DWORD>(whole);
    note(RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data));
  } else {
    const std::string stored = ::text::toUtf8(trimBlanks(given));
    note(RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                        static_cast<DWORD>(stored.size() + 1)));
  }
  note(RegCloseKey(key));
}

void DeleteSettingValue(HKEY hive, const std::string& path, const std::string& name) {
  if (!KeyExists(hive, path)) return;
  HKEY key{};
  if (note(RegOpenKeyA(hive, path.c_str(), &key)) != ERROR_SUCCESS) return;
  note(RegDeleteValueA(key, name.c_str()));
  note(RegCloseKey(key));
}

void CreateKey(HKEY hive, const std::string& path) {
  HKEY key{};
  if (note(RegCreateKeyA(hive, path.c_str(), &key)) == ERROR_SUCCESS) note(RegCloseKey(key));
}

LONG lastResult() { return lastCode; }

}  // namespace support::basRegistry
