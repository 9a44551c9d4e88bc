#pragma once
// Where-clause text between the host's dialects and OGR's.
#include <string>
#include <vector>

#include "mapdoc/data/source_kind.h"

namespace mapdoc::data {

// [NAME] delimiters (personal geodatabases) become "NAME" for OGR; brackets
// inside string literals are left alone.
std::string bracketsToDoubleQuotes(const std::string& clause);

// Bare table-qualified names (owners.NAME) that name one of the fields get
// double quotes, since OGR would read the part before the point as a table.
std::string quoteQualifiedNames(const std::string& clause, const std::vector<std::string>& fieldNames);

// The double-quoted names of a clause, outside string literals.
std::vector<std::string> quotedNames(const std::string& clause);

std::string quoteName(const std::string& field, FieldQuoting quoting);

}  // namespace mapdoc::data
