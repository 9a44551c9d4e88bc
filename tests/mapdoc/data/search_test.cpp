#include <gtest/gtest.h>

#include "sample_data.h"

namespace mapdoc::testing {
namespace {

// Where clauses select what an independent walk over every record selects.
TEST(Search, WhereClausesSelectTheSameRecordsAsAWalkOverAll) {
  for (const auto& [path, layer] : std::vector<std::pair<std::string, std::string>>{{"landuse.shp", ""},
                                                                                   {"landuse.gpkg", "landuse"}}) {
    SCOPED_TRACE(path);
    auto t = table(path, layer);
    const int use = fieldIndex(t.get(), u"USE"), acres = fieldIndex(t.get(), u"ACRES");
    auto all = [&](const std::function<bool(host::IRow*)>& test) { return countRows(t->Search(nullptr, true).get(), test); };

    EXPECT_EQ(countRows(t->Search(where("\"USE\" = 'Women''s Center'").get(), true).get()),
              all([&](host::IRow* r) { return textOf(r->Value(use)) == u"Women's Center"; }));
    EXPECT_GT(all([&](host::IRow* r) { return textOf(r->Value(use)) == u"Crèche"; }), 0);
    EXPECT_EQ(countRows(t->Search(where("\"USE\" = 'Crèche'").get(), true).get()),
              all([&](host::IRow* r) { return textOf(r->Value(use)) == u"Crèche"; }));
    EXPECT_EQ(countRows(t->Search(where("\"USE\" IS NULL").get(), true).get()), 8);
    EXPECT_EQ(countRows(t->Search(where("\"ACRES\" > 5").get(), true).get()),
              all([&](host::IRow* r) { auto v = r->Value(acres); return v.isNumber() && v.toDouble() > 5; }));
    EXPECT_EQ(t->RowCount(where("\"ACRES\" > 5").get()),
              countRows(t->Search(where("\"ACRES\" > 5").get(), true).get()));
    EXPECT_EQ(t->RowCount(where("  ").get()), t->RowCount(nullptr));
  }
}

TEST(Search, ABadClauseFailsWithTheSourcesOwnText) {
  for (const auto& [path, layer] : std::vector<std::pair<std::string, std::string>>{{"landuse.shp", ""},
                                                                                   {"landuse.gpkg", "landuse"}}) {
    auto t = table(path, layer);
    try {
      countRows(t->Search(where("\"NOSUCH\" = 1").get(), true).get());
      FAIL() << path;
    } catch (const host::HostError& e) {
      EXPECT_NE(std::string(e.what()).find("NOSUCH"), std::string::npos) << e.what();
    }
    EXPECT_THROW(countRows(t->Search(where("\"USE\" = = 'x'").get(), true).get()), host::HostError) << path;
    // the table stays usable after a failed clause
    EXPECT_EQ(t->RowCount(nullptr), 168);
  }
}

TEST(Search, RecyclingCursorsRefillOneRowAndOthersHandOutNewOnes) {
  auto t = table("landuse.shp");
  auto recycling = t->Search(nullptr, true);
  auto a = recycling->NextRow();
  const auto firstOid = a->OID();
  auto b = recycling->NextRow();
  EXPECT_EQ(a.get(), b.get());
  EXPECT_NE(b->OID(), firstOid);

  auto fresh = t->Search(nullptr, false);
  auto c = fresh->NextRow(), d = fresh->NextRow();
  EXPECT_NE(c.get(), d.get());
  EXPECT_EQ(c->OID(), firstOid);
}

TEST(Search, TwoOpenCursorsDoNotDisturbEachOther) {
  auto t = table("landuse.gpkg", "landuse");
  auto filtered = t->Search(where("\"DISTRICT\" = 'North'").get(), true);
  auto everything = t->Search(nullptr, true);
  const int district = fieldIndex(t.get(), u"DISTRICT");
  int north = 0, total = 0;
  while (true) {
    auto r1 = filtered->NextRow();
    auto r2 = everything->NextRow();
    if (r1) {
      ++north;
      EXPECT_EQ(textOf(r1->Value(district)), u"North");
    }
    if (r2) ++total;
    if (!r1 && !r2) break;
  }
  EXPECT_EQ(total, 168);
  EXPECT_EQ(north, t->RowCount(where("\"DISTRICT\" = 'North'").get()));
  EXPECT_GT(north, 0);
}

TEST(SelectionSet, SearchGivesTheSetsRecordsThatPassTheFilterInTableOrder) {
  auto t = table("landuse.shp");
  auto set = makeSelectionSet(t.get(), {40, 3, 17, 5, 150, 9999});
  EXPECT_EQ(set->Count(), 6);
  host::Ref<host::ICursor> cursor;
  set->Search(nullptr, true, cursor);
  std::vector<std::int32_t> seen;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) seen.push_back(row->OID());
  EXPECT_EQ(seen, (std::vector<std::int32_t>{3, 5, 17, 40, 150}));

  const int acres = fieldIndex(t.get(), u"ACRES");
  set->Search(where("\"ACRES\" > 5").get(), true, cursor);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) EXPECT_GT(row->Value(acres).toDouble(), 5);
  set->Add(0);
  EXPECT_EQ(set->IDs().front(), 0);
}

}  // namespace
}  // namespace mapdoc::testing

namespace mapdoc::testing {
namespace {

// Sources that read records by ID and those that cannot (text files) give
// the same answer: the set's records passing the filter, in table order.
TEST(SelectionSet, EverySourceKindGivesTheSetsPassingRecordsInTableOrder) {
  for (const auto& [path, layer, clause] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"landuse.gpkg", "landuse", "\"DISTRICT\" = 'North'"},
           {"landuse.shp", "", "\"DISTRICT\" = 'North'"},
           {"owners.csv", "", "\"OTYPE\" = 'Private'"}}) {
    SCOPED_TRACE(path);
    auto t = table(path, layer);
    std::vector<std::int32_t> passing, all;
    auto cursor = t->Search(where(clause).get(), true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) passing.push_back(row->OID());
    cursor = t->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) all.push_back(row->OID());
    ASSERT_GT(passing.size(), 3u);
    // every third record, listed backwards, with IDs no record has
    std::vector<std::int32_t> ids{-5, 100000};
    for (std::size_t i = all.size(); i-- > 0;)
      if (i % 3 == 0) ids.push_back(all[i]);
    auto set = makeSelectionSet(t.get(), ids);
    std::vector<std::int32_t> expected, seen;
    for (auto oid : passing)
      if (std::find(ids.begin(), ids.end(), oid) != ids.end()) expected.push_back(oid);
    set->Search(where(clause).get(), true, cursor);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) seen.push_back(row->OID());
    EXPECT_EQ(seen, expected);

    std::vector<std::int32_t> everyThird;
    for (std::size_t i = 0; i < all.size(); i += 3) everyThird.push_back(all[i]);
    seen.clear();
    set->Search(nullptr, false, cursor);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) seen.push_back(row->OID());
    EXPECT_EQ(seen, everyThird);
    EXPECT_THROW(set->Search(where("\"NOSUCH\" = 1").get(), true, cursor), host::HostError);
    EXPECT_THROW(makeSelectionSet(t.get(), {})->Search(where("\"NOSUCH\" = 1").get(), true, cursor), host::HostError);
  }
}

// The engine keeps a class walk open while it searches again with the same
// clause for the statistics; the second search must not end or move the first.
TEST(Search, TheSameClauseSearchedWhileAWalkIsOpen) {
  for (const auto& [path, layer] : std::vector<std::pair<std::string, std::string>>{{"landuse.shp", ""},
                                                                                   {"landuse.gpkg", "landuse"}}) {
    SCOPED_TRACE(path);
    auto t = table(path, layer);
    const auto clause = where("\"ACRES\" > 3");
    const int acres = fieldIndex(t.get(), u"ACRES");
    auto first = t->Search(clause.get(), true);
    auto a = first->NextRow();
    ASSERT_TRUE(a);
    const auto firstOid = a->OID();
    std::vector<std::int32_t> inner;
    auto second = t->Search(clause.get(), false);
    for (auto row = second->NextRow(); row; row = second->NextRow()) inner.push_back(row->OID());
    ASSERT_GT(inner.size(), 2u);
    EXPECT_EQ(inner.front(), firstOid);
    std::vector<std::int32_t> outer{firstOid};
    for (auto row = first->NextRow(); row; row = first->NextRow()) {
      outer.push_back(row->OID());
      EXPECT_GT(row->Value(acres).toDouble(), 3);
    }
    EXPECT_EQ(outer, inner);
  }
}

}  // namespace
}  // namespace mapdoc::testing
