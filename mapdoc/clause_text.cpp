#include "mapdoc/clause_text.h"

#include <charconv>
#include <cmath>

#include "mapdoc/data/ogr_table.h"
#include "mapdoc/data/open.h"
#include "platform/text/utf.h"

namespace mapdoc {

std::string sqlString(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string sqlNumber(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return {buffer, result.ptr};
}

std::string valueLiteral(const std::string& value, int type) {
  const bool numericField = type <= host::FieldTypeDouble || type == host::FieldTypeOID;
  if (numericField) {
    double number = 0;
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(value.data(), end, number);
    if (ec == std::errc() && ptr == end && std::isfinite(number)) return sqlNumber(number);
  }
  return sqlString(value);
}

std::string valueComparison(host::ITable* table, const host::Text& field, const std::string& value) {
  const int type = fieldType(table, field);
  const std::string ref = fieldRef(table, field);
  auto dialect = com::query<data::ITableDialect>(table);
  const bool isoDate = value.size() == 10 && value[4] == '-' && value[7] == '-';
  if (type == host::FieldTypeDate && isoDate && dialect && !dialect->DatabaseFilters()) {
    std::string slashed = value;
    slashed[4] = slashed[7] = '/';
    return "CAST(" + ref + " AS CHARACTER(10)) = " + sqlString(slashed);
  }
  return ref + " = " + valueLiteral(value, type);
}

std::string fieldRef(host::ITable* table, const host::Text& field) { return text::toUtf8(quoteField(table, field)); }

int fieldType(host::ITable* table, const host::Text& field) {
  auto cls = com::query<host::IClass>(table);
  const int index = cls ? cls->FindField(field) : -1;
  return index < 0 ? host::FieldTypeOther : cls->Fields()->Field(index)->Type();
}

}  // namespace mapdoc
