#include "mapdoc/data/where_clause.h"

#include <gtest/gtest.h>

namespace mapdoc::data {
namespace {

TEST(WhereClause, BracketDelimitersBecomeDoubleQuotesOutsideLiterals) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"[USE] = 'a'", "\"USE\" = 'a'"},
      {"[USE] = '[not a field]' AND [ACRES] > 2", "\"USE\" = '[not a field]' AND \"ACRES\" > 2"},
      {"[USE] = 'it''s [x]'", "\"USE\" = 'it''s [x]'"},
      {"[USE", "[USE"},
      {"\"USE\" = 1", "\"USE\" = 1"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(bracketsToDoubleQuotes(in), out) << in;
}

TEST(WhereClause, QualifiedNamesOfKnownFieldsAreQuoted) {
  const std::vector<std::string> fields{"landuse.USE", "owners.ONAME"};
  EXPECT_EQ(quoteQualifiedNames("owners.ONAME = 'owners.ONAME' AND landuse.use IS NULL", fields),
            "\"owners.ONAME\" = 'owners.ONAME' AND \"landuse.use\" IS NULL");
  EXPECT_EQ(quoteQualifiedNames("\"owners.ONAME\" = 'x' OR other.X = 1.5", fields),
            "\"owners.ONAME\" = 'x' OR other.X = 1.5");
}

TEST(WhereClause, QuotingPerDialect) {
  EXPECT_EQ(quoteName("USE", FieldQuoting::DoubleQuotes), "\"USE\"");
  EXPECT_EQ(quoteName("USE", FieldQuoting::Brackets), "[USE]");
  EXPECT_EQ(quoteName("USE", FieldQuoting::Bare), "USE");
}

}  // namespace
}  // namespace mapdoc::data

namespace mapdoc::data {
namespace {

TEST(WhereClause, QuotedNamesAreFoundOutsideLiterals) {
  EXPECT_EQ(quotedNames("\"USE\" = '\"x\"' AND \"a\"\"b\" > 1"), (std::vector<std::string>{"USE", "a\"b"}));
  EXPECT_TRUE(quotedNames("USE = 'x'").empty());
}

}  // namespace
}  // namespace mapdoc::data
