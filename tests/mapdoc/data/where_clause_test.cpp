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

namespace mapdoc::data {
namespace {

bool textField(const std::string& name) { return name == "USE" || name == "owners.OTYPE"; }

TEST(WhereClause, TextEqualityBecomesExactForOgrsOwnSql) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"\"USE\" = 'Park'", "(\"USE\" LIKE 'Park' ESCAPE '!')"},
      {"'Park' = USE", "(USE LIKE 'Park' ESCAPE '!')"},
      {"\"USE\" <> 'Park'", "(\"USE\" IS NOT NULL AND NOT (\"USE\" LIKE 'Park' ESCAPE '!'))"},
      // LIKE's own wildcards and the escape stand for themselves
      {"\"USE\" = '100%_done!'", "(\"USE\" LIKE '100!%!_done!!' ESCAPE '!')"},
      {"( \"owners.OTYPE\" = 'O''Brien') AND \"ACRES\" > 2",
       "( (\"owners.OTYPE\" LIKE 'O''Brien' ESCAPE '!')) AND \"ACRES\" > 2"},
      {"NOT (\"USE\" = 'a' OR \"USE\" = 'b')",
       "NOT ((\"USE\" LIKE 'a' ESCAPE '!') OR (\"USE\" LIKE 'b' ESCAPE '!'))"},
      // numbers, other fields and longer operands are left as they are
      {"\"ACRES\" = '2'", "\"ACRES\" = '2'"},
      {"\"USE\" = 2", "\"USE\" = 2"},
      {"\"USE\" = 'a' || 'b'", "\"USE\" = 'a' || 'b'"},
      {"CAST(\"DAY\" AS CHARACTER(10)) = '2020/01/05'", "CAST(\"DAY\" AS CHARACTER(10)) = '2020/01/05'"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(forOgrSql(in, textField), out) << in;
}

TEST(WhereClause, BackslashesBeforeAQuoteAreSpeltWithoutOne) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"\"ACRES\" > 1 AND \"X\" = 'x\\'", "\"ACRES\" > 1 AND \"X\" = CONCAT('x', SUBSTR('\\Z', 1, 1), '')"},
      {"\"X\" = 'a\\''b'", "\"X\" = CONCAT('a', SUBSTR('\\Z', 1, 1), '''b')"},
      {"\"X\" = 'C:\\data\\'", "\"X\" = CONCAT('C:', SUBSTR('\\Z', 1, 1), 'data', SUBSTR('\\Z', 1, 1), '')"},
      {"\"USE\" = 'x\\'",
       "(\"USE\" LIKE CONCAT('x', SUBSTR('\\Z', 1, 1), '') ESCAPE '!')"},
      // a backslash before anything else is plain text to OGR as well
      {"\"X\" = 'a\\b'", "\"X\" = 'a\\b'"},
      // written the way OGR reads it ('O\'Brien'), it is not standard SQL:
      // left alone
      {"\"USE\" = 'O\\'Brien'", "\"USE\" = 'O\\'Brien'"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(forOgrSql(in, textField), out) << in;
}

}  // namespace
}  // namespace mapdoc::data
