#pragma once
// Where-clause text between the host's dialects and OGR's.
#include <functional>
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

// 'text' with its quotes doubled.
std::string sqlLiteral(const std::string& text);

// The shortest text that reads back as the same double, with a point.
std::string sqlNumber(double value);

// A clause in standard SQL made to mean the same to OGR's own SQL, which
// differs in two ways: its = and <> ignore letter case on text, and in a
// string literal it reads \' as an escaped quote, so 'x\' never ends.
// Text equality with a literal (field = 'text', field <> 'text', where
// isTextField(field) says the field holds text) becomes an exact LIKE, and
// a literal holding a backslash before a quote is spelt without one. A
// clause that does not read as standard SQL (an unterminated literal, as
// OGR's own escapes make) is returned as it is.
std::string forOgrSql(const std::string& clause, const std::function<bool(const std::string&)>& isTextField);

}  // namespace mapdoc::data
