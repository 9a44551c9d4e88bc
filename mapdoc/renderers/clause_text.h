#pragma once
// Pieces of where clauses: literals as every OGR dialect reads them.
#include <string>

#include "host/host.h"
#include "mapdoc/data/source_kind.h"

namespace mapdoc {

// 'text' with embedded quotes doubled.
std::string sqlString(const std::string& text);
// The shortest text that reads back as the same double, with a point.
std::string sqlNumber(double value);
// "NAME" / [NAME] / NAME as the table's dialect writes it.
std::string fieldRef(host::ITable* table, const host::Text& field);
// The type code of a field of the table; host::FieldTypeOther when missing.
int fieldType(host::ITable* table, const host::Text& field);
// Who evaluates the table's where clauses (OGR for tables that do not say).
data::FilterEngine filterEngine(host::ITable* table);

}  // namespace mapdoc
