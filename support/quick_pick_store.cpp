#include "support/quick_pick_store.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>

#include "platform/registry/transaction.h"
#include "support/basRegistry.h"

namespace support::quickpicks {
namespace {

using registry::HKEY_CURRENT_USER;

std::u16string trimBlanks(std::u16string_view s) {
  const auto first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return std::u16string(s.substr(first, s.find_last_not_of(u' ') - first + 1));
}

std::u16string joined(const std::vector<std::u16string>& names) {
  std::u16string list;
  for (const auto& n : names) {
    if (!list.empty()) list += u',';
    list += n;
  }
  return list;
}

registry::LONG storeList(const std::vector<std::u16string>& names) {
  return basRegistry::WriteTextSetting(HKEY_CURRENT_USER, kQuickPicksKey, kListValue, joined(names));
}

// A whole number whose decimal text is exactly the expression.
std::optional<std::int32_t> exactNumber(const std::u16string& text) {
  if (text.empty() || text.size() > 11) return std::nullopt;
  for (char16_t c : text)
    if (!(c == u'-' || (c >= u'0' && c <= u'9'))) return std::nullopt;
  std::string digits(text.begin(), text.end());
  try {
    std::size_t used = 0;
    const long long n = std::stoll(digits, &used);
    if (used != digits.size() || std::to_string(n) != digits) return std::nullopt;
    if (n < INT32_MIN || n > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(n);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::u16string cleanName(std::u16string_view typed) {
  std::u16string name = trimBlanks(typed);
  for (auto& c : name)
    if (c == u',') c = u' ';
  // The list is stored as text, and stored text loses its outer blanks: a
  // blank a comma left at either end ("Acres,") would vanish from the list
  // and the pick could never be found again.
  return trimBlanks(name);
}

std::u16string storedExpression(std::u16string_view expression) {
  std::u16string out;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    const char16_t c = expression[i];
    if (c == u'\r' && i + 1 < expression.size() && expression[i + 1] == u'\n') {
      out += u' ';
      ++i;
    } else if (c == u'\r' || c == u'\n') {
      out += u' ';
    } else {
      out += c;
    }
  }
  return trimBlanks(out);
}

bool sameName(std::u16string_view a, std::u16string_view b) {
  const icu::UnicodeString ua(false, a.data(), static_cast<int32_t>(a.size()));
  const icu::UnicodeString ub(false, b.data(), static_cast<int32_t>(b.size()));
  return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

std::vector<std::u16string> names() {
  std::vector<std::u16string> result;
  if (!basRegistry::KeyExists(HKEY_CURRENT_USER, kQuickPicksKey)) return result;
  const std::u16string list =
      basRegistry::SettingText(basRegistry::ReadSetting(HKEY_CURRENT_USER, kQuickPicksKey, kListValue));
  std::size_t start = 0;
  while (start <= list.size()) {
    auto end = list.find(u',', start);
    if (end == std::u16string::npos) end = list.size();
    if (end > start) result.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

std::optional<std::u16string> findName(std::u16string_view name) {
  for (auto& n : names())
    if (sameName(n, name)) return n;
  return std::nullopt;
}

std::u16string expression(std::u16string_view name) {
  return basRegistry::SettingText(basRegistry::ReadSetting(HKEY_CURRENT_USER, kQuickPicksKey, name));
}

bool reservedName(std::u16string_view name) { return sameName(name, kListValue); }

namespace {

thread_local registry::LONG failure = registry::ERROR_SUCCESS;

// The change's last steps; false, with the failure noted, when either fails.
bool storeListAndCommit(const std::vector<std::u16string>& list, registry::Transaction& t) {
  failure = storeList(list);
  if (failure == registry::ERROR_SUCCESS) failure = t.commit();
  return failure == registry::ERROR_SUCCESS;
}

}  // namespace

registry::LONG lastFailure() { return failure; }

SaveResult save(std::u16string_view name, std::u16string_view expressionText, bool replaceExisting) {
  failure = registry::ERROR_SUCCESS;
  if (reservedName(name)) return SaveResult::ReservedName;
  registry::Transaction t;
  if (t.status() != registry::ERROR_SUCCESS) {
    failure = t.status();
    return SaveResult::Failed;
  }
  auto list = names();
  bool existing = false;
  for (const auto& n : list) existing = existing || sameName(n, name);
  if (existing && !replaceExisting) return SaveResult::Exists;
  if (!existing) list.emplace_back(name);
  if (!basRegistry::KeyExists(HKEY_CURRENT_USER, kProductKey)) return SaveResult::NoProductKey;
  if (!basRegistry::KeyExists(HKEY_CURRENT_USER, kQuickPicksKey)) {
    basRegistry::CreateKey(HKEY_CURRENT_USER, kQuickPicksKey);
    basRegistry::WriteTextSetting(HKEY_CURRENT_USER, kQuickPicksKey, kListValue, u"");
    if (!basRegistry::KeyExists(HKEY_CURRENT_USER, kQuickPicksKey)) return SaveResult::NoProductKey;
  }
  const std::u16string stored = storedExpression(expressionText);
  const auto number = exactNumber(stored);
  const registry::LONG written =
      number ? basRegistry::WriteSetting(HKEY_CURRENT_USER, kQuickPicksKey, name, *number)
             : basRegistry::WriteTextSetting(HKEY_CURRENT_USER, kQuickPicksKey, name, stored);
  // Nothing is committed unless both the pick and the list were written.
  if (written != registry::ERROR_SUCCESS) {
    failure = written;
    return SaveResult::Failed;
  }
  if (!storeListAndCommit(list, t)) return SaveResult::Failed;
  return existing ? SaveResult::Updated : SaveResult::Saved;
}

DeleteResult remove(std::u16string_view name) {
  failure = registry::ERROR_SUCCESS;
  registry::Transaction t;
  if (t.status() != registry::ERROR_SUCCESS) {
    failure = t.status();
    return DeleteResult::Failed;
  }
  auto list = names();
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& n) { return sameName(n, name); });
  if (it == list.end()) return DeleteResult::NotFound;
  const registry::LONG deleted = basRegistry::DeleteSettingValue(HKEY_CURRENT_USER, kQuickPicksKey, *it);
  if (deleted != registry::ERROR_SUCCESS && deleted != registry::ERROR_FILE_NOT_FOUND) {
    failure = deleted;
    return DeleteResult::Failed;
  }
  list.erase(it);
  if (!storeListAndCommit(list, t)) return DeleteResult::Failed;
  return DeleteResult::Deleted;
}

std::u16string exportText(std::u16string_view currentExpression) {
  std::u16string out;
  for (const auto& n : names()) out += n + u":\r\n" + expression(n) + u"\r\n";
  out += currentExpression;
  return out;
}

}  // namespace support::quickpicks
