#include "mapdoc/renderers/clause_text.h"

#include "mapdoc/data/ogr_table.h"
#include "mapdoc/data/open.h"
#include "mapdoc/data/where_clause.h"
#include "platform/text/utf.h"

namespace mapdoc {

std::string sqlString(const std::string& text) { return data::sqlLiteral(text); }

std::string sqlNumber(double value) { return data::sqlNumber(value); }

std::string fieldRef(host::ITable* table, const host::Text& field) { return text::toUtf8(quoteField(table, field)); }

int fieldType(host::ITable* table, const host::Text& field) {
  auto cls = com::query<host::IClass>(table);
  const int index = cls ? cls->FindField(field) : -1;
  return index < 0 ? host::FieldTypeOther : cls->Fields()->Field(index)->Type();
}

data::FilterEngine filterEngine(host::ITable* table) {
  auto dialect = com::query<data::ITableDialect>(table);
  return dialect ? dialect->Filters() : data::FilterEngine::Ogr;
}

}  // namespace mapdoc
