// Writes the bundled sample data: a land-use parcel layer (Shapefile and
// GeoPackage), an owners table to join (CSV and DBF) and a small elevation
// raster. Everything is derived from a fixed seed, and the formats' own
// timestamps are pinned, so running it again gives the same records.
//
// Usage: carrowind-make-samples [OUTPUT_FOLDER]   (default: examples/data)
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64: small, portable and the same on every platform (the standard
// library's distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

struct Use {
  const char* name;
  int weight;
  std::vector<const char*> descriptions;
};

const std::vector<Use>& uses() {
  static const std::vector<Use> list = {
      {"Residential", 34, {"Single-family homes", "Duplexes", "Row houses"}},
      {"Commercial", 16, {"Corner shops", "Café & bakery", "Office park"}},
      {"Industrial", 10, {"Warehouses", "Light manufacturing"}},
      {"Agricultural", 12, {"Orchard", "Hay field", "Market garden"}},
      {"Park", 9, {"Children's playground", "Riverside trail"}},
      {"Institutional", 7, {"Elementary school", "Town hall", "Fire station"}},
      {"Women's Center", 3, {"Shelter and counselling"}},
      {"Crèche", 3, {"Garderie Sainte-Thérèse"}},
      {"Vacant", 6, {"Undeveloped lot"}},
  };
  return list;
}

struct Owner {
  int id;
  const char* name;
  const char* type;
};

const std::vector<Owner>& owners() {
  static const std::vector<Owner> list = {
      {1, "City of Carrowind", "Public"},      {2, "O'Brien Holdings", "Private"},
      {3, "Société Générale Immobilière", "Private"}, {4, "Åsa Lindqvist", "Private"},
      {5, "Müller & Söhne", "Private"},        {6, "D'Angelo Family Trust", "Trust"},
      {7, "Carrowind School District", "Public"}, {8, "Riverside Co-op", "Non-profit"},
      {9, "Nguyễn Văn An", "Private"},         {10, "Greenbelt Conservancy", "Non-profit"},
      {11, "Harbour & Sons Ltd.", "Private"},  {12, "County of Lorne", "Public"},
      {13, "Ólafur Sigurðsson", "Private"},     {14, "St. Mary's Parish", "Non-profit"},
      {15, "Northfield Farms", "Private"},     {16, "Zoë Papadopoulos", "Private"},
      {17, "Women's Shelter Society", "Non-profit"}, {18, "Kowalski Brothers", "Private"},
      {19, "Lakeside REIT", "Private"},        {20, "François Lefèvre", "Private"},
      {21, "Carrowind Housing Authority", "Public"}, {22, "McAllister-Byrne", "Private"},
      {23, "Prairie Grain Inc.", "Private"},   {24, "José Ramírez", "Private"},
      {25, "Unused Owner (no parcels)", "Private"},
  };
  return list;
}

struct Parcel {
  OGRPolygon shape;
  std::optional<std::string> use, descript;
  std::optional<double> acres;
  std::optional<std::array<int, 3>> surveyed;
  std::optional<int> floors, ownerId;
  std::string district;
};

const char* pickUse(Random& rnd) {
  int total = 0;
  for (const auto& u : uses()) total += u.weight;
  int r = rnd.below(total);
  for (const auto& u : uses()) {
    if (r < u.weight) return u.name;
    r -= u.weight;
  }
  return uses().front().name;
}

const Use& useNamed(const std::string& name) {
  for (const auto& u : uses())
    if (name == u.name) return u;
  throw std::logic_error("unknown use");
}

constexpr int kColumns = 14;
constexpr int kRows = 12;
constexpr double kX0 = 482000.0, kY0 = 4978000.0;  // UTM zone 15N, metres

std::vector<Parcel> makeParcels() {
  Random rnd(20240611);
  std::vector<double> xs{kX0}, ys{kY0};
  for (int c = 0; c < kColumns; ++c) xs.push_back(xs.back() + 60 + 10 * rnd.below(17));
  for (int r = 0; r < kRows; ++r) ys.push_back(ys.back() + 50 + 10 * rnd.below(12));
  // Interior corners move a little so that parcels are not all rectangles;
  // neighbours share the moved corner, so the parcels still tile.
  auto corner = [&](int c, int r) {
    double x = xs[c], y = ys[r];
    if (c > 0 && c < kColumns && r > 0 && r < kRows) {
      Random j(static_cast<std::uint64_t>(c) * 1000 + static_cast<std::uint64_t>(r));
      x += j.below(21) - 10;
      y += j.below(21) - 10;
    }
    return std::pair{x, y};
  };
  std::vector<Parcel> parcels;
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      Parcel p;
      OGRLinearRing ring;
      for (auto [cc, rr] : {std::pair{c, r}, {c + 1, r}, {c + 1, r + 1}, {c, r + 1}, {c, r}}) {
        auto [x, y] = corner(cc, rr);
        ring.addPoint(x, y);
      }
      p.shape.addRing(&ring);
      p.district = r < 4 ? "South" : r < 8 ? "Riverside" : "North";
      if (!rnd.chance(4)) p.use = pickUse(rnd);
      if (p.use && !rnd.chance(6)) {
        const auto& d = useNamed(*p.use).descriptions;
        p.descript = d[rnd.below(static_cast<int>(d.size()))];
      }
      if (!rnd.chance(2)) p.acres = std::round(p.shape.get_Area() / 4046.8564224 * 100.0) / 100.0;
      if (!rnd.chance(6)) p.surveyed = std::array{1998 + rnd.below(26), 1 + rnd.below(12), 1 + rnd.below(28)};
      if (!rnd.chance(3)) {
        const bool open = p.use && (*p.use == "Agricultural" || *p.use == "Park" || *p.use == "Vacant");
        p.floors = open ? 0 : 1 + rnd.below(rnd.chance(15) ? 12 : 3);
      }
      if (!rnd.chance(4)) p.ownerId = rnd.chance(3) ? 99 : 1 + rnd.below(24);  // 99: no such owner
      parcels.push_back(std::move(p));
    }
  }
  return parcels;
}

GDALDriver* driver(const char* name) {
  auto* d = GetGDALDriverManager()->GetDriverByName(name);
  if (!d) throw std::runtime_error(std::string("GDAL has no driver ") + name);
  return d;
}

void check(OGRErr err, const char* what) {
  if (err != OGRERR_NONE) throw std::runtime_error(std::string("cannot ") + what + ": " + CPLGetLastErrorMsg());
}

GDALDataset* createVector(const char* driverName, const fs::path& file) {
  fs::remove(file);
  GDALDataset* ds = driver(driverName)->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  if (!ds) throw std::runtime_error("cannot create " + file.string() + ": " + CPLGetLastErrorMsg());
  return ds;
}

void addField(OGRLayer* layer, const char* name, OGRFieldType type, int width, int precision = 0,
              OGRFieldSubType sub = OFSTNone) {
  OGRFieldDefn f(name, type);
  f.SetSubType(sub);
  f.SetWidth(width);
  f.SetPrecision(precision);
  check(layer->CreateField(&f), "create a field");
}

void writeParcels(GDALDataset* ds, const std::vector<Parcel>& parcels, char** layerOptions) {
  OGRSpatialReference srs;
  srs.importFromEPSG(26915);
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer("landuse", &srs, wkbPolygon, layerOptions);
  if (!layer) throw std::runtime_error(std::string("cannot create layer: ") + CPLGetLastErrorMsg());
  addField(layer, "USE", OFTString, 32);
  addField(layer, "DESCRIPT", OFTString, 64);
  addField(layer, "ACRES", OFTReal, 12, 2);
  addField(layer, "SURVEYED", OFTDate, 10);
  addField(layer, "FLOORS", OFTInteger, 4, 0, OFSTInt16);
  addField(layer, "OWNER_ID", OFTInteger, 9);
  addField(layer, "DISTRICT", OFTString, 16);
  check(layer->StartTransaction(), "start writing parcels");
  for (const auto& p : parcels) {
    OGRFeature f(layer->GetLayerDefn());
    auto text = [&](const char* field, const std::optional<std::string>& v) {
      if (v) f.SetField(field, v->c_str()); else f.SetFieldNull(f.GetFieldIndex(field));
    };
    auto integer = [&](const char* field, const std::optional<int>& v) {
      if (v) f.SetField(field, *v); else f.SetFieldNull(f.GetFieldIndex(field));
    };
    text("USE", p.use);
    text("DESCRIPT", p.descript);
    if (p.acres) f.SetField("ACRES", *p.acres); else f.SetFieldNull(f.GetFieldIndex("ACRES"));
    if (p.surveyed) f.SetField(f.GetFieldIndex("SURVEYED"), (*p.surveyed)[0], (*p.surveyed)[1], (*p.surveyed)[2]);
    else f.SetFieldNull(f.GetFieldIndex("SURVEYED"));
    integer("FLOORS", p.floors);
    integer("OWNER_ID", p.ownerId);
    f.SetField("DISTRICT", p.district.c_str());
    f.SetGeometry(&p.shape);
    check(layer->CreateFeature(&f), "write a parcel");
  }
  check(layer->CommitTransaction(), "finish writing parcels");
}

void writeOwners(GDALDataset* ds, char** layerOptions) {
  OGRLayer* layer = ds->CreateLayer("owners", nullptr, wkbNone, layerOptions);
  if (!layer) throw std::runtime_error(std::string("cannot create owners: ") + CPLGetLastErrorMsg());
  addField(layer, "OWNER_ID", OFTInteger, 9);
  addField(layer, "ONAME", OFTString, 48);
  addField(layer, "OTYPE", OFTString, 16);
  for (const auto& o : owners()) {
    OGRFeature f(layer->GetLayerDefn());
    f.SetField("OWNER_ID", o.id);
    f.SetField("ONAME", o.name);
    f.SetField("OTYPE", o.type);
    check(layer->CreateFeature(&f), "write an owner");
  }
}

void writeRaster(const fs::path& file) {
  fs::remove(file);
  constexpr int n = 16;
  const char* options[] = {"COMPRESS=DEFLATE", nullptr};
  GDALDataset* ds = driver("GTiff")->Create(file.c_str(), n, n, 1, GDT_Byte, const_cast<char**>(options));
  if (!ds) throw std::runtime_error("cannot create " + file.string());
  double transform[6] = {kX0, 150.0, 0.0, kY0 + n * 150.0, 0.0, -150.0};
  ds->SetGeoTransform(transform);
  OGRSpatialReference srs;
  srs.importFromEPSG(26915);
  ds->SetSpatialRef(&srs);
  std::vector<std::uint8_t> cells(n * n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) cells[r * n + c] = static_cast<std::uint8_t>(180 - 6 * r + 3 * c + (r * c) % 7);
  if (ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, n, n, cells.data(), n, n, GDT_Byte, 0, 0) != CE_None)
    throw std::runtime_error("cannot write raster cells");
  GDALClose(ds);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    fs::path out = argc > 1 ? fs::path(argv[1]) : fs::path("examples/data");
    fs::create_directories(out);
    GDALAllRegister();
    // Pin the timestamps that the formats record, so the files repeat exactly.
    CPLSetConfigOption("OGR_CURRENT_DATE", "2024-06-11T00:00:00.000Z");
    const auto parcels = makeParcels();

    for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) fs::remove(out / (std::string("landuse") + ext));
    const char* shpOptions[] = {"ENCODING=UTF-8", "DBF_DATE_LAST_UPDATE=2024-06-11", nullptr};
    GDALDataset* shp = createVector("ESRI Shapefile", out / "landuse.shp");
    writeParcels(shp, parcels, const_cast<char**>(shpOptions));
    GDALClose(shp);

    GDALDataset* gpkg = createVector("GPKG", out / "landuse.gpkg");
    writeParcels(gpkg, parcels, nullptr);
    writeOwners(gpkg, nullptr);
    GDALClose(gpkg);

    for (const char* ext : {".dbf", ".cpg"}) fs::remove(out / (std::string("owners") + ext));
    GDALDataset* dbf = createVector("ESRI Shapefile", out / "owners.dbf");
    writeOwners(dbf, const_cast<char**>(shpOptions));
    GDALClose(dbf);

    fs::remove(out / "owners.csvt");
    const char* csvOptions[] = {"CREATE_CSVT=YES", nullptr};
    GDALDataset* csv = createVector("CSV", out / "owners.csv");
    writeOwners(csv, const_cast<char**>(csvOptions));
    GDALClose(csv);

    writeRaster(out / "elevation.tif");
    std::printf("wrote %zu parcels, %zu owners and a raster to %s\n", parcels.size(), owners().size(),
                out.string().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "carrowind-make-samples: %s\n", e.what());
    return 1;
  }
}
