#pragma once
// Pieces of where clauses: literals as every OGR dialect reads them.
#include <string>

#include "host/host.h"

namespace mapdoc {

// 'text' with embedded quotes doubled.
std::string sqlString(const std::string& text);
// The shortest text that reads back as the same double, with a point.
std::string sqlNumber(double value);
// A class value compared with a field of the given type: numbers bare (when
// the value is a number), everything else as a quoted string.
std::string valueLiteral(const std::string& value, int fieldType);
// The clause that a field equals a class value: field = literal; a date
// where OGR evaluates the clause compares as text ("YYYY/MM/DD"), because
// OGR's date comparison fails on a record with a blank date.
std::string valueComparison(host::ITable* table, const host::Text& field, const std::string& value);
// "NAME" / [NAME] / NAME as the table's dialect writes it.
std::string fieldRef(host::ITable* table, const host::Text& field);
// The type code of a field of the table; host::FieldTypeOther when missing.
int fieldType(host::ITable* table, const host::Text& field);

}  // namespace mapdoc
