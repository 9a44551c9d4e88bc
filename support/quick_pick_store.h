#pragma once
// Quick picks in the registry, with the dialog's rules, for every front end
// (the labeling dialog, the command line):
// - "Software\Quorvex\Carrowind\QuickPicks\QuickPickList" names the picks in
//   order, joined by "," without blanks; that list, not the values present,
//   decides which picks exist;
// - each pick is the value named after it, holding its expression on one
//   line (line breaks turned into blanks, surrounding blanks removed);
// - names compare without regard to letter case and never hold a comma.
//
// Unlike the options, a pick is stored as a number only when the number's
// decimal text gives back exactly the expression saved: "7" is stored as 7,
// "007" and "12.5" stay text, so a recalled expression is always the one
// saved. Reading accepts both forms.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace support::quickpicks {

inline constexpr std::u16string_view kProductKey = u"Software\\Quorvex\\Carrowind";
inline constexpr std::u16string_view kQuickPicksKey = u"Software\\Quorvex\\Carrowind\\QuickPicks";
inline constexpr std::u16string_view kListValue = u"QuickPickList";

// A typed name as stored: blanks around it removed, every "," a blank, and
// blanks a comma left at either end removed too.
std::u16string cleanName(std::u16string_view typed);

// An expression as stored: every line break (CR LF, and a lone CR or LF,
// which files written elsewhere hold) one blank, surrounding blanks removed.
std::u16string storedExpression(std::u16string_view expression);

bool sameName(std::u16string_view a, std::u16string_view b);

// Whether a name would be stored as the list itself ("QuickPickList" in any
// letter case): such a pick's expression would overwrite the list.
bool reservedName(std::u16string_view name);

// The picks in list order; empty when the key or the list is missing.
std::vector<std::u16string> names();
// The list's entry for a name in any letter case.
std::optional<std::u16string> findName(std::u16string_view name);

// A pick's expression as text (a stored number in decimal); empty when the
// value is missing.
std::u16string expression(std::u16string_view name);

enum class SaveResult {
  Saved,          // a new pick, appended to the list
  Updated,        // an existing pick (in any letter case) replaced
  Exists,         // an existing pick, left alone because replace was false
  NoProductKey,   // the product key is missing, or the QuickPicks key could not be made
  Failed,         // the store refused the change (nothing was changed): see lastFailure()
  ReservedName,   // the name is the list's own (nothing was changed)
};

// Saves name (already clean) with expression, as one transaction: a
// concurrent save by another program is never lost.
SaveResult save(std::u16string_view name, std::u16string_view expression, bool replaceExisting);

enum class DeleteResult { Deleted, NotFound, Failed };
DeleteResult remove(std::u16string_view name);

// The registry's answer that made the last save or remove of this thread
// fail (ERROR_SUCCESS when it did not), to say why: a full disk, a damaged
// store, a lock held too long.
registry::LONG lastFailure();

// The export file: each pick's name and ":", a line break, its expression, a
// line break; then the current expression with no line break after it.
// Line breaks are CR LF.
std::u16string exportText(std::u16string_view currentExpression);

}  // namespace support::quickpicks
