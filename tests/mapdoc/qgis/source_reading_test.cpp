// A QGIS layer's data as the project names it: open options, a layer
// number, a filter that is a whole statement (on the layer and on a joined
// layer), and the join's memory cache deciding which repeated key wins.
#include <gtest/gtest.h>

#include <set>

#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "mapdoc/layers/feature_layer.h"
#include "platform/text/utf.h"
#include "qgis_files.h"

namespace mapdoc::qgis::testing {
namespace {

host::Ref<host::ITable> displayTable(MapDocument& doc, const char16_t* layer) {
  return com::query<host::IDisplayTable>(doc.layer(layer).get())->DisplayTable();
}

std::vector<std::string> textsOf(host::ITable* table, const char16_t* field) {
  const int index = com::query<host::IClass>(table)->FindField(field);
  std::vector<std::string> out;
  auto cursor = table->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
    out.push_back(row->Value(index).isText() ? text::toUtf8(row->Value(index).text()) : "-");
  return out;
}

TEST_F(QgisFiles, AStatementFilterIsTheLayersDataAndNoDefinitionQuery) {
  std::string text = replaced(readFile(kHere / "mixed.qgs"), "<datasource>./data/landuse.shp</datasource>",
                              "<datasource>./data/landuse.shp|subset=SELECT * FROM \"landuse\" WHERE \"ACRES\" &gt; 5"
                              "</datasource>");
  text = replaced(text, "<datasource>./data/owners.csv</datasource>",
                  "<datasource>./data/owners.csv|subset=select * from owners where OWNER_ID &lt; 5</datasource>");
  writeFile(dir / "statement.qgs", text);
  auto doc = MapDocument::open(dir / "statement.qgs");
  auto layer = doc->layer(u"Parcels");
  EXPECT_EQ(com::query<host::IFeatureLayerDefinition>(layer.get())->DefinitionExpression(), u"");
  auto parcels = displayTable(*doc, u"Parcels");
  EXPECT_EQ(parcels->RowCount(nullptr), 26);
  // only owners 1 to 4 pass the joined layer's statement
  const int owner = com::query<host::IClass>(parcels.get())->FindField(u"OWNER_ID");
  const auto names = textsOf(parcels.get(), u"owners_ONAME");
  auto cursor = parcels->Search(nullptr, true);
  int joined = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto id = cursor->NextRow()->Value(owner);
    const bool passes = id.isNumber() && id.toDouble() < 5;
    EXPECT_EQ(names[i] != "-", passes) << names[i];
    joined += passes;
  }
  EXPECT_GT(joined, 0);

  // a document of our own keeps the statement where it found it
  auto cwmap = MapDocument::fromJson(Json::parse(R"({"format": "carrowind-map", "version": 1, "layers": [
      {"name": "p", "type": "feature", "source": {"path": "data/landuse.gpkg|layerid=0"},
       "definition_query": "SELECT * FROM landuse WHERE abs(ACRES) > 5", "renderer": {"type": "simple"}}]})"),
                                     dir / "own.cwmap");
  EXPECT_EQ(displayTable(*cwmap, u"p")->RowCount(nullptr), 26);
  const auto saved = cwmap->toJson()["layers"][0];
  EXPECT_EQ(saved["definition_query"], "SELECT * FROM landuse WHERE abs(ACRES) > 5");
  EXPECT_EQ(saved["source"]["path"], "data/landuse.gpkg|layerid=0");
}

TEST_F(QgisFiles, AJoinsMemoryCacheDecidesWhichRepeatedKeyWins) {
  writeFile(dir / "data" / "repeated.csv", "OWNER_ID,ONAME,OTYPE\n1,first,a\n1,second,b\n");
  std::string text = replaced(readFile(kHere / "mixed.qgs"), "<datasource>./data/owners.csv</datasource>",
                              "<datasource>./data/repeated.csv|option:AUTODETECT_TYPE=YES</datasource>");
  auto namesWith = [&](const std::string& cache) {
    writeFile(dir / "cache.qgs", replaced(text, R"(memoryCache="1")", cache));
    auto doc = MapDocument::open(dir / "cache.qgs");
    auto parcels = displayTable(*doc, u"Parcels");
    const auto names = textsOf(parcels.get(), u"owners_ONAME");
    return std::set<std::string>(names.begin(), names.end());
  };
  EXPECT_EQ(namesWith(R"(memoryCache="1")"), (std::set<std::string>{"-", "second"}));
  EXPECT_EQ(namesWith(R"(memoryCache="0")"), (std::set<std::string>{"-", "first"}));
  EXPECT_EQ(namesWith(""), (std::set<std::string>{"-", "first"}));  // QGIS's default: no cache
}

}  // namespace
}  // namespace mapdoc::qgis::testing
