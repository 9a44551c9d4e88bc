#pragma once
// How the values of a unique-values renderer compare with a field's values,
// once for the where clauses and the classifier, so that the records a class
// clause selects and the records classified into it are the same:
// - number fields compare by number ("1.50" is 1.5); a text that is no
//   number matches nothing;
// - text fields compare exactly, letter case and blanks included;
// - date fields compare by calendar day ("YYYY-MM-DD"; the time of day does
//   not count); any other text matches nothing;
// - other fields compare as text.
// Nulls match no value.
#include <optional>
#include <string>

#include "host/host.h"
#include "mapdoc/data/field_list.h"
#include "mapdoc/data/source_kind.h"

namespace mapdoc {

// One part of a class value (one field's), as it compares.
struct ValueKey {
  enum class Kind { Number, Text, Day, Moment, Clock, Nothing };
  Kind kind = Kind::Nothing;
  double number = 0;
  // Text: the value; Day: "YYYY-MM-DD"; Moment: "YYYY-MM-DD HH:MM:SS";
  // Clock: "HH:MM:SS" (records are read to the second)
  std::string text;

  // The same text for keys that match the same records; empty for Nothing.
  std::string canonical() const;
};

ValueKey valueKey(const host::Text& part, int fieldType);

// A record's value in a field of that type, as a key's canonical() text;
// nullopt for a null or a value no key matches.
std::optional<std::string> recordKey(const host::Value& value, int fieldType);

// How class values and record values become keys. The host's own rules are
// valueKey and recordKey; another host's (QGIS's) may differ, field kind by
// field kind. A record key is canonical() of the class key it matches.
struct KeyRules {
  ValueKey (*classKey)(const host::Text& part, int fieldType, data::ValueKind kind);
  std::optional<std::string> (*recordKey)(const host::Value& value, int fieldType, data::ValueKind kind);
};
const KeyRules& hostKeyRules();

// The clause selecting the records whose field matches key (not Nothing),
// written for the engine that evaluates it. ref: the field as the clause
// names it.
std::string keyClause(const std::string& ref, const ValueKey& key, data::FilterEngine filters);

}  // namespace mapdoc
