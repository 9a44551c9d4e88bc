// Records read through the host interfaces hold what OGR itself reads from
// the file, whatever order fields and shapes are asked for in: reads bring
// fields in on demand, so asking late must still give the right record.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "sample_data.h"

namespace mapdoc::testing {
namespace {

struct Source {
  std::string path, layer;
  friend void PrintTo(const Source& s, std::ostream* os) { *os << s.path << (s.layer.empty() ? "" : ":" + s.layer); }
};

// One record as OGR reads it, by attribute name, with its shape as WKB.
struct Expected {
  GIntBig fid;
  std::map<std::string, host::Value> values;
  std::vector<std::uint8_t> wkb;
};

// The OLE date of a calendar day, counted independently of the host's own
// conversion: days since 30 December 1899.
double oleDay(int y, int m, int d) {
  using namespace std::chrono;
  return static_cast<double>((sys_days{year{y} / m / d} - sys_days{year{1899} / 12 / 30}).count());
}

std::vector<Expected> readWithOgr(const Source& s, const char* clause = nullptr) {
  GDALAllRegister();  // this test may be the first to use GDAL
  GDALDatasetUniquePtr ds(GDALDataset::Open((sampleDir() / s.path).c_str(), GDAL_OF_VECTOR));
  OGRLayer* layer = s.layer.empty() ? ds->GetLayer(0) : ds->GetLayerByName(s.layer.c_str());
  layer->SetAttributeFilter(clause);
  std::vector<Expected> out;
  for (auto& f : *layer) {
    Expected e{f->GetFID(), {}, {}};
    for (int i = 0; i < f->GetFieldCount(); ++i) {
      const OGRFieldDefn* defn = f->GetFieldDefnRef(i);
      host::Value v = host::Value::null();
      if (f->IsFieldSetAndNotNull(i)) {
        switch (defn->GetType()) {
          case OFTInteger:
            v = defn->GetSubType() == OFSTInt16 ? host::Value(static_cast<std::int16_t>(f->GetFieldAsInteger(i)))
                                                : host::Value(static_cast<std::int32_t>(f->GetFieldAsInteger(i)));
            break;
          case OFTReal: v = f->GetFieldAsDouble(i); break;
          case OFTDate: {
            int y, m, d, h, mi, tz;
            float sec;
            f->GetFieldAsDateTime(i, &y, &m, &d, &h, &mi, &sec, &tz);
            v = host::Value::date(oleDay(y, m, d));
            break;
          }
          default: v = text::fromUtf8(f->GetFieldAsString(i));
        }
      }
      e.values[defn->GetNameRef()] = v;
    }
    if (auto* g = f->GetGeometryRef()) {
      e.wkb.resize(g->WkbSize());
      g->exportToWkb(wkbNDR, e.wkb.data(), wkbVariantIso);
    }
    out.push_back(std::move(e));
  }
  return out;
}

// Reads every record through the host and checks it against OGR. order says
// in which order each row's fields are asked for; a negative entry stands
// for the shape.
void expectSameRecords(host::ITable* t, const std::vector<Expected>& expected, host::IQueryFilter* filter,
                       bool recycling, const std::function<std::vector<int>(std::size_t)>& order) {
  auto fields = com::query<host::IClass>(t)->Fields();
  auto cursor = t->Search(filter, recycling);
  std::size_t n = 0;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow(), ++n) {
    ASSERT_LT(n, expected.size());
    const auto& e = expected[n];
    ASSERT_EQ(row->OID(), e.fid) << "record " << n;
    for (int i : order(n)) {
      if (i < 0) {
        auto shape = com::query<host::IFeature>(row.get())->Shape();
        ASSERT_EQ(shape != nullptr, !e.wkb.empty());
        if (shape) {
          EXPECT_EQ(shape->Wkb(), e.wkb) << "shape of " << e.fid;
        }
        continue;
      }
      const auto field = fields->Field(i);
      const auto name = text::toUtf8(field->Name());
      if (field->Type() == host::FieldTypeOID) {
        EXPECT_EQ(row->Value(i), host::Value(static_cast<std::int32_t>(e.fid)));
      } else if (field->Type() != host::FieldTypeGeometry) {
        EXPECT_EQ(row->Value(i), e.values.at(name)) << name << " of " << e.fid;
      }
    }
  }
  EXPECT_EQ(n, expected.size());
}

class Reading : public ::testing::TestWithParam<Source> {};

TEST_P(Reading, EveryFieldAndShapeAsOgrReadsThemInAnyOrder) {
  const Source s = GetParam();
  const auto all = readWithOgr(s);
  ASSERT_FALSE(all.empty());
  auto t = table(s.path, s.layer);
  const int count = com::query<host::IClass>(t.get())->Fields()->FieldCount();
  // In field order, in reverse with the shape first, and a different field
  // first on every row: each asks for fields the read left out.
  const std::vector<std::function<std::vector<int>(std::size_t)>> orders{
      [&](std::size_t) {
        std::vector<int> v;
        for (int i = 0; i < count; ++i) v.push_back(i);
        return v;
      },
      [&](std::size_t) {
        std::vector<int> v{-1};
        for (int i = count - 1; i >= 0; --i) v.push_back(i);
        return v;
      },
      [&](std::size_t n) { return std::vector<int>{static_cast<int>(n % static_cast<std::size_t>(count)), 0}; },
  };
  for (bool recycling : {true, false}) {
    for (const auto& order : orders) {
      SCOPED_TRACE(recycling);
      expectSameRecords(table(s.path, s.layer).get(), all, nullptr, recycling, order);
    }
  }
}

TEST_P(Reading, AFieldFirstAskedForHalfwayThroughAFilteredWalk) {
  const Source s = GetParam();
  auto t = table(s.path, s.layer);
  const int owner = fieldIndex(t.get(), u"OWNER_ID");
  ASSERT_GE(owner, 0);
  const char* clause = "\"OWNER_ID\" > 3";
  const auto expected = readWithOgr(s, clause);
  ASSERT_GT(expected.size(), 6u);
  const int last = com::query<host::IClass>(t.get())->Fields()->FieldCount() - 1;
  // The filter's own field from the start; another one only from the fifth
  // record on: the walk must go on where it was.
  expectSameRecords(t.get(), expected, where(clause).get(), true,
                    [&](std::size_t n) { return n < 4 ? std::vector<int>{owner} : std::vector<int>{owner, last, 0}; });
  // The same clause again (read by the IDs it selected where that is quicker).
  expectSameRecords(t.get(), expected, where(clause).get(), true, [&](std::size_t) { return std::vector<int>{last, -1}; });
}

INSTANTIATE_TEST_SUITE_P(Sources, Reading,
                         ::testing::Values(Source{"landuse.shp", ""}, Source{"landuse.gpkg", "landuse"},
                                           Source{"owners.csv", ""}, Source{"owners.dbf", ""}),
                         [](const auto& info) {
                           std::string n = info.param.path;
                           for (auto& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

TEST(Reading, RowsKeptAfterTheirCursorEndedStillGiveTheirValuesAndShapes) {
  auto t = table("landuse.gpkg", "landuse");
  const int use = fieldIndex(t.get(), u"USE");
  std::vector<host::Ref<host::IRow>> rows;
  {
    auto cursor = t->Search(where("\"DISTRICT\" = 'North'").get(), false);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) rows.push_back(row);
  }
  const auto expected = readWithOgr({"landuse.gpkg", "landuse"}, "\"DISTRICT\" = 'North'");
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i]->Value(use), expected[i].values.at("USE"));
    EXPECT_EQ(com::query<host::IFeature>(rows[i].get())->Shape()->Wkb(), expected[i].wkb);
  }
}

}  // namespace
}  // namespace mapdoc::testing
