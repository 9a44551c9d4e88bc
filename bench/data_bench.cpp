// Throughput of the searches a label run makes on a large layer: per class a
// filtered walk of one field and a second filtered walk feeding statistics,
// over a generated Shapefile and GeoPackage, plain and joined.
// Usage: data_bench [records] [folder]   (the folder is left in place)
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "host/classes.h"
#include "host/statistics.h"
#include "mapdoc/data/open.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUses = 40;

void generate(const fs::path& file, const char* driverName, int records) {
  if (fs::exists(file)) return;
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
  GDALDatasetUniquePtr ds(driver->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  OGRLayer* layer = ds->CreateLayer("parcels", nullptr, wkbPolygon, nullptr);
  OGRFieldDefn use("USE", OFTString), acres("ACRES", OFTReal), owner("OWNER_ID", OFTInteger), when("SURVEYED", OFTDate);
  use.SetWidth(40);
  for (auto* f : {&use, &acres, &owner, &when}) layer->CreateField(f);
  std::mt19937 random(7);
  ds->StartTransaction();
  for (int i = 0; i < records; ++i) {
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField(0, ("Use " + std::to_string(random() % kUses)).c_str());
    if (i % 17) feature.SetField(1, (random() % 100000) / 100.0);
    feature.SetField(2, static_cast<int>(random() % 500));
    feature.SetField(3, 2000 + static_cast<int>(random() % 20), 1 + static_cast<int>(random() % 12), 1 + static_cast<int>(random() % 28));
    // parcels with a few dozen vertices, as digitised land use has
    OGRLinearRing ring;
    const double x = (i % 1000) * 100.0, y = (i / 1000) * 100.0;
    for (int k = 0; k < 32; ++k) ring.addPoint(x + 50 + 40 * std::cos(k * 0.19635), y + 50 + 40 * std::sin(k * 0.19635));
    ring.closeRings();
    OGRPolygon polygon;
    polygon.addRing(&ring);
    feature.SetGeometry(&polygon);
    if (layer->CreateFeature(&feature) != OGRERR_NONE) std::exit(1);
  }
  ds->CommitTransaction();
}

void generateOwners(const fs::path& file) {
  if (fs::exists(file)) return;
  std::FILE* out = std::fopen(file.c_str(), "w");
  std::fprintf(out, "OWNER_ID,ONAME\n");
  for (int i = 0; i < 500; ++i) std::fprintf(out, "%d,Owner %d\n", i, i % 50);
  std::fclose(out);
  std::FILE* types = std::fopen((file.string() + "t").c_str(), "w");
  std::fprintf(types, "Integer,String\n");
  std::fclose(types);
}

host::Ref<host::IQueryFilter> where(const std::string& clause) {
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(text::fromUtf8(clause));
  return filter;
}

double seconds(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What a unique-value label run over USE reads: per class one walk of ACRES
// and one statistics pass over a fresh cursor.
std::size_t labelRun(host::ITable* table, const std::string& useField, const std::u16string& acresField) {
  const int acres = com::query<host::IClass>(table)->FindField(acresField);
  std::size_t seen = 0;
  for (int c = 0; c < kUses; ++c) {
    auto filter = where(useField + " = 'Use " + std::to_string(c) + "'");
    auto cursor = table->Search(filter.get(), true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) seen += row->Value(acres).isNull() ? 0 : 1;
    auto stats = com::create<host::IDataStatistics>(host::CLSID_DataStatistics);
    stats->Field(acresField);
    stats->Cursor(table->Search(filter.get(), true).get());
    seen += static_cast<std::size_t>(stats->Statistics()->Count());
  }
  return seen;
}

void measure(const std::string& label, const fs::path& file) {
  std::printf("%s\n", label.c_str());
  host::Ref<host::ITable> table;
  std::printf("  %-34s %8.3f s\n", "open", seconds([&] { table = mapdoc::openTable({file.string(), "", ""}, {}); }));
  const int acres = com::query<host::IClass>(table.get())->FindField(u"ACRES");
  std::size_t n = 0;
  std::printf("  %-34s %8.3f s\n", "walk all, one field", seconds([&] {
                auto cursor = table->Search(nullptr, true);
                for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) n += row->Value(acres).isNull();
              }));
  std::printf("  %-34s %8.3f s\n", "walk all, shapes", seconds([&] {
                auto cursor = com::query<host::ITable>(table.get())->Search(nullptr, true);
                for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
                  n += com::query<host::IFeature>(row.get())->Shape()->Wkb().size();
              }));
  std::printf("  %-34s %8.3f s\n", "count one class", seconds([&] { n += table->RowCount(where("\"USE\" = 'Use 3'").get()); }));
  std::printf("  %-34s %8.3f s\n", "label run, 40 classes", seconds([&] { n += labelRun(table.get(), "\"USE\"", u"ACRES"); }));
  std::printf("  %-34s %8.3f s\n", "selection set of 200, walk", seconds([&] {
                std::vector<std::int32_t> ids;
                for (int i = 0; i < 200; ++i) ids.push_back(i * 37);
                host::Ref<host::ICursor> cursor;
                mapdoc::makeSelectionSet(table.get(), ids)->Search(where("\"ACRES\" > 10").get(), true, cursor);
                for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) ++n;
              }));
  host::Ref<host::ITable> joined;
  std::printf("  %-34s %8.3f s\n", "join with 500 owners", seconds([&] {
                joined = mapdoc::joinTables(table.get(), mapdoc::openTable({(file.parent_path() / "owners.csv").string(), "", ""}, {}).get(),
                                            u"OWNER_ID", u"OWNER_ID");
              }));
  std::printf("  %-34s %8.3f s\n", "joined label run, 40 classes", seconds([&] {
                n += labelRun(joined.get(), "\"parcels.USE\"", u"parcels.ACRES");
              }));
  std::printf("  %-34s %8.3f s\n", "joined count on a joined field", seconds([&] {
                n += joined->RowCount(where("\"owners.ONAME\" = 'Owner 7'").get());
              }));
  std::printf("  (%zu)\n", n % 10);
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 200000;
  const fs::path dir = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / ("carrowind-data-bench-" + std::to_string(records));
  fs::create_directories(dir);
  GDALAllRegister();
  mapdoc::registerHostClasses();
  generate(dir / "parcels.shp", "ESRI Shapefile", records);
  generate(dir / "parcels.gpkg", "GPKG", records);
  generateOwners(dir / "owners.csv");
  std::printf("%d records in %s\n", records, dir.c_str());
  measure("Shapefile", dir / "parcels.shp");
  measure("GeoPackage", dir / "parcels.gpkg");
  return 0;
}
