#pragma once
// The generated land-use layers label_bench measures on: their formats, the
// renderers over them, their class values and breaks, and the one-layer map
// documents that label them.
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

inline constexpr char kExpression[] = "[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)";
inline constexpr char kLayer[] = "landuse";

struct Format {
  std::string key;     // as --formats names it
  std::string name;    // as the report names it
  std::string driver;  // OGR driver
  std::string file;    // file name inside the combination's folder
};

inline const std::vector<Format> kFormats = {
    {"gpkg", "GeoPackage", "GPKG", "landuse.gpkg"},
    {"shp", "Shapefile", "ESRI Shapefile", "landuse.shp"},
};

enum class Kind { Unique, Breaks, TwoFields };

struct Renderer {
  Kind kind;
  std::string key;   // as --renderers names it
  std::string name;  // as the report names it
};

inline const std::vector<Renderer> kRenderers = {
    {Kind::Unique, "unique", "unique values"},
    {Kind::Breaks, "breaks", "class breaks"},
    {Kind::TwoFields, "two-fields", "two fields"},
};

inline constexpr const char* kDistricts[] = {"North", "South", "East", "West", "Central"};
inline constexpr int kDistrictCount = static_cast<int>(std::size(kDistricts));
inline constexpr char kDelimiter[] = ", ";

// ACRES as generate() writes it, in hundredths of an acre: kAcresLow plus a
// draw below kAcresSpan, so 0.05 to 80.04.
inline constexpr int kAcresLow = 5, kAcresSpan = 8000;
inline constexpr int kBreaks = 100;
inline constexpr int kBreakWidth = kAcresSpan / kBreaks;  // 0.8 acres

// Equal intervals of 0.8 from 0, the last raised to the largest value
// written so that every record is in a class. In hundredths, so that the
// document, the plain read and the SQL all compare the same numbers.
int breakUpperHundredths(int i);
std::vector<double> breakUppers();
std::string acresText(int hundredths);

// A record's break class in SQLite: above the break below, up to and
// including its own, i.e. ceil(k / 80) - 1 for k = ACRES * 100 (ACRES is
// always whole hundredths, so the rounding is exact), with 80.01 to 80.04,
// above the last equal interval, in the last class. Arithmetic rather than a
// hundred-way CASE: what a user who knows the breaks are equal would type.
std::string breakClassSql();

// Class values: the sample map's land uses, numbered once there are more
// classes than uses. One has a quote, which every clause must double.
std::vector<std::string> classNames(int classes);

// The legend's class values of a unique-values renderer over USE, or over
// USE and DISTRICT, on a layer with the given USE values; in the order the
// document lists them.
std::vector<std::string> classValues(Kind kind, int uses);

int classCount(Kind kind, int uses);

// The sample layer's fields, so a reader that takes only some of them has
// the others to leave out, and parcels of sixteen vertices.
void generate(const fs::path& file, const Format& format, int features, int classes);

// An attribute index on USE, which the class queries' "USE" = '...' can use:
// a GeoPackage index in SQLite, a Shapefile .idx/.ind pair that OGR's
// attribute filter reads.
void indexUse(const fs::path& file, const Format& format);

// A one-layer map document whose renderer puts every record in one of its
// classes (no default class): unique values over USE or over USE and
// DISTRICT listing every value, or the breaks on ACRES.
void writeDocument(const fs::path& doc, const fs::path& data, const Format& format, Kind kind, int uses);

}  // namespace bench
