#include "bench/label_data.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace bench {

int breakUpperHundredths(int i) { return i + 1 < kBreaks ? kBreakWidth * (i + 1) : kAcresLow + kAcresSpan - 1; }

std::vector<double> breakUppers() {
  std::vector<double> uppers;
  for (int i = 0; i < kBreaks; ++i) uppers.push_back(breakUpperHundredths(i) / 100.0);
  return uppers;
}

std::string acresText(int hundredths) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d", hundredths / 100, hundredths % 100);
  return buf;
}

std::string breakClassSql() {
  return "MIN((CAST(ROUND(ACRES * 100) AS INTEGER) + " + std::to_string(kBreakWidth - 1) + ") / " +
         std::to_string(kBreakWidth) + ", " + std::to_string(kBreaks) + ") - 1";
}

std::vector<std::string> classNames(int classes) {
  static const char* const uses[] = {"Agricultural", "Commercial",     "Industrial", "Institutional",
                                     "Park",         "Residential",    "Vacant",     "Women's Center",
                                     "Wetland",      "Transportation", "Utility",    "Recreation"};
  constexpr int n = static_cast<int>(std::size(uses));
  std::vector<std::string> out;
  for (int i = 0; i < classes; ++i)
    out.push_back(classes <= n ? uses[i] : std::string(uses[i % n]) + " " + std::to_string(i / n + 1));
  return out;
}

std::vector<std::string> classValues(Kind kind, int uses) {
  auto names = classNames(uses);
  if (kind != Kind::TwoFields) return names;
  std::vector<std::string> out;
  for (auto& name : names)
    for (auto* district : kDistricts) out.push_back(name + kDelimiter + district);
  return out;
}

int classCount(Kind kind, int uses) {
  return kind == Kind::Breaks ? kBreaks : kind == Kind::TwoFields ? uses * kDistrictCount : uses;
}

void generate(const fs::path& file, const Format& format, int features, int classes) {
  const auto names = classNames(classes);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.driver.c_str());
  if (!driver) throw std::runtime_error("no OGR driver " + format.driver);
  GDALDatasetUniquePtr ds(driver->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!ds) throw std::runtime_error("cannot create " + file.string());
  OGRSpatialReference srs;
  const bool haveSrs = srs.importFromEPSG(26915) == OGRERR_NONE;
  OGRLayer* layer = ds->CreateLayer(kLayer, haveSrs ? &srs : nullptr, wkbPolygon, nullptr);
  OGRFieldDefn use("USE", OFTString), descript("DESCRIPT", OFTString), acres("ACRES", OFTReal),
      surveyed("SURVEYED", OFTDate), floors("FLOORS", OFTInteger), owner("OWNER_ID", OFTInteger),
      district("DISTRICT", OFTString);
  use.SetWidth(32);
  descript.SetWidth(64);
  acres.SetWidth(12);
  acres.SetPrecision(2);
  floors.SetWidth(4);
  owner.SetWidth(9);
  district.SetWidth(16);
  for (auto* f : {&use, &descript, &acres, &surveyed, &floors, &owner, &district})
    if (layer->CreateField(f) != OGRERR_NONE) throw std::runtime_error("cannot create field in " + file.string());
  std::mt19937 random(static_cast<unsigned>(features) * 7919u + static_cast<unsigned>(classes));
  ds->StartTransaction();
  for (int i = 0; i < features; ++i) {
    // Every class has records: the first ones go to each class in turn, one
    // round per district, so that every (USE, DISTRICT) pair has records as
    // well. The draws those rounds override are still made, which leaves the
    // records after them as they were before there were pairs to fill.
    const int drawn = i < classes ? i : static_cast<int>(random() % static_cast<unsigned>(classes));
    const bool round = i < classes * kDistrictCount;
    const int c = round ? i % classes : drawn;
    const std::string& value = names[static_cast<std::size_t>(c)];
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField(0, value.c_str());
    feature.SetField(1, (value + " parcel, block " + std::to_string(random() % 5000)).c_str());
    feature.SetField(2, static_cast<double>(kAcresLow + static_cast<int>(random() % kAcresSpan)) / 100.0);
    feature.SetField(3, 1990 + static_cast<int>(random() % 35), 1 + static_cast<int>(random() % 12),
                     1 + static_cast<int>(random() % 28));
    feature.SetField(4, 1 + static_cast<int>(random() % 12));
    feature.SetField(5, static_cast<int>(random() % 5000));
    const int d = static_cast<int>(random() % kDistrictCount);
    feature.SetField(6, kDistricts[round ? i / classes : d]);
    OGRLinearRing ring;
    const double x = 482000 + (i % 1000) * 60.0, y = 4978000 + (i / 1000) * 60.0;
    for (int k = 0; k < 16; ++k) ring.addPoint(x + 30 + 25 * std::cos(k * M_PI / 8), y + 30 + 25 * std::sin(k * M_PI / 8));
    ring.closeRings();
    OGRPolygon polygon;
    polygon.addRing(&ring);
    feature.SetGeometry(&polygon);
    if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write " + file.string());
  }
  ds->CommitTransaction();
}

void indexUse(const fs::path& file, const Format& format) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
  if (!ds) throw std::runtime_error("cannot open " + file.string() + " to index it");
  const std::string sql = format.driver == "GPKG" ? std::string("CREATE INDEX landuse_use ON ") + kLayer + " (USE)"
                                                  : std::string("CREATE INDEX ON ") + kLayer + " USING USE";
  CPLErrorReset();
  ds->ExecuteSQL(sql.c_str(), nullptr, nullptr);
  if (CPLGetLastErrorType() >= CE_Failure) throw std::runtime_error("cannot index " + file.string() + ": " + CPLGetLastErrorMsg());
}

void writeDocument(const fs::path& doc, const fs::path& data, const Format& format, Kind kind, int uses) {
  nlohmann::json renderer;
  if (kind == Kind::Breaks) {
    nlohmann::json breaks = nlohmann::json::array();
    for (double upper : breakUppers()) breaks.push_back({{"upper", upper}});
    renderer = {{"type", "class_breaks"}, {"field", "ACRES"}, {"breaks", breaks}};
  } else {
    nlohmann::json classList = nlohmann::json::array();
    for (auto& value : classValues(kind, uses)) classList.push_back({{"values", {value}}, {"label", value}});
    renderer = {{"type", "unique_values"}, {"fields", {"USE"}}, {"classes", classList}};
    if (kind == Kind::TwoFields) {
      renderer["fields"] = {"USE", "DISTRICT"};
      renderer["field_delimiter"] = kDelimiter;
    }
  }
  nlohmann::json source = {{"path", data.string()}};
  if (format.driver == "GPKG") source["layer"] = kLayer;
  nlohmann::json d = {
      {"format", "carrowind-map"},
      {"version", 1},
      {"layers",
       {{{"name", "Land use"},
         {"type", "feature"},
         {"source", source},
         {"renderer", renderer}}}},
      {"selected_layer", "Land use"}};
  std::ofstream(doc) << d.dump(2);
}

}  // namespace bench
