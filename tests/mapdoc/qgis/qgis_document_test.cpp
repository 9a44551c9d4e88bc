// QGIS projects and styles read as documents: layers, tree, renderers,
// joins, definition queries and legends as the host sees them, and the
// files QGIS cannot have written refused with what is wrong.
#include <gtest/gtest.h>

#include "mapdoc/data/query_filter.h"
#include "mapdoc/document.h"
#include "mapdoc/page_layout.h"
#include "mapdoc/qgis/qgis_renderer.h"
#include "mapdoc/renderers/unsupported_renderer.h"
#include "platform/text/utf.h"
#include "qgis_files.h"

namespace mapdoc::qgis::testing {
namespace {

using text::toUtf8;

template <class I>
host::Ref<I> rendererOf(MapDocument& doc, const char16_t* layer) {
  return com::query<I>(com::query<host::IGeoFeatureLayer>(doc.layer(layer).get())->Renderer().get());
}

std::vector<std::string> namesOf(host::ITable* table) {
  std::vector<std::string> out;
  auto fields = com::query<host::IClass>(table)->Fields();
  for (int i = 0; i < fields->FieldCount(); ++i) out.push_back(toUtf8(fields->Field(i)->Name()));
  return out;
}

TEST_F(QgisFiles, AProjectIsReadAsTheLayersTreeRenderersAndLegendsQgisShows) {
  auto doc = MapDocument::open(copy("mixed.qgs", "mixed.qgs"));
  std::vector<std::string> order;
  for (const auto& l : doc->layers()) order.push_back(toUtf8(l->Name()));
  EXPECT_EQ(order, (std::vector<std::string>{"Land", "Parcels", "Parcel size", "Rules", "owners"}));
  EXPECT_FALSE(doc->layer(u"Parcel size")->Visible());
  EXPECT_TRUE(doc->layer(u"Parcels")->Visible());

  // the empty value's category is the "all other values" class, last, wherever QGIS has it
  auto unique = rendererOf<host::IUniqueValueRenderer>(*doc, u"Parcels");
  auto classes = rendererOf<host::IRendererClasses>(*doc, u"Parcels");
  ASSERT_TRUE(unique && classes);
  EXPECT_EQ(unique->Field(0), u"USE");
  ASSERT_EQ(classes->ClassCount(), 4);
  EXPECT_TRUE(unique->UseDefaultSymbol());
  EXPECT_EQ(classes->Class(0), u"Parks & gardens");
  EXPECT_EQ(classes->Class(1), u"Business");
  EXPECT_EQ(classes->Class(3), u"");
  EXPECT_EQ(unique->Symbol(u"Park").fill, (host::Color{107, 191, 89, 255}));
  // a category of several values (QGIS's merged categories) is one class, its values joined
  EXPECT_EQ(unique->ValueCount(), 3);
  EXPECT_EQ(unique->Value(1), u"Commercial;Industrial");
  EXPECT_EQ(unique->Label(u"Commercial;Industrial"), u"Business");

  auto breaks = rendererOf<host::IClassBreaksRenderer>(*doc, u"Parcel size");
  ASSERT_TRUE(breaks);
  EXPECT_EQ(breaks->Field(), u"ACRES");  // a quoted field name is still a field
  EXPECT_EQ(breaks->MinimumBreak(), 0);
  EXPECT_EQ(breaks->Break(1), 40);
  EXPECT_EQ(breaks->Label(0), u"Small");
  EXPECT_EQ(com::query<host::IFeatureLayerDefinition>(doc->layer(u"Parcel size").get())->DefinitionExpression(),
            u"\"DISTRICT\" = 'North'");

  auto rules = rendererOf<IUnlabelledRenderer>(*doc, u"Rules");
  ASSERT_TRUE(rules);
  EXPECT_NE(rules->Reason().find("rule-based"), std::string::npos) << rules->Reason();
  EXPECT_EQ(com::query<host::IGeoFeatureLayer>(doc->layer(u"owners").get())->Renderer(), nullptr);

  // legends: one with a tree of its own, one that follows the layers panel
  const auto& frames = doc->pageLayout()->frames();
  ASSERT_EQ(frames.size(), 2u);
  auto own = com::query<host::ILegend>(frames[0]->MapSurround().get());
  ASSERT_EQ(own->ItemCount(), 1);
  EXPECT_EQ(own->ItemLayer(0)->Name(), u"Parcels");
  EXPECT_EQ(com::query<host::ILegend>(frames[1]->MapSurround().get())->ItemCount(), 4);
  auto bounds = frames[0]->Geometry();
  EXPECT_NEAR(bounds->XMin(), 10 / 25.4, 1e-9);
  EXPECT_NEAR(bounds->YMax(), (210 - 20) / 25.4, 1e-9);
  EXPECT_NEAR(bounds->Width(), 60 / 25.4, 1e-9);
}

TEST_F(QgisFiles, JoinedFieldsAreNamedAsQgisNamesThemAndSubsetsLimitTheRecords) {
  auto doc = MapDocument::open(copy("mixed.qgs", "mixed.qgs"));
  auto parcels = com::query<host::IDisplayTable>(doc->layer(u"Parcels").get())->DisplayTable();
  ASSERT_TRUE(com::query<host::IRelQueryTable>(parcels.get()));
  const auto names = namesOf(parcels.get());
  EXPECT_EQ(names, (std::vector<std::string>{"FID", "Shape", "USE", "DESCRIPT", "ACRES", "SURVEYED", "FLOORS", "OWNER_ID",
                                             "DISTRICT", "owners_ONAME", "owners_OTYPE"}));
  // a class clause names the layer's own field as QGIS does, and reaches joined values
  auto classes = rendererOf<host::IRendererClasses>(*doc, u"Parcels");
  auto filter = com::make<data::QueryFilter>();
  filter->WhereClause(classes->WhereClause(0, parcels.get()));
  const auto parks = parcels->RowCount(filter.get());
  EXPECT_GT(parks, 0);
  filter->WhereClause(u"\"USE\" = 'Park' AND \"owners_ONAME\" IS NOT NULL");
  EXPECT_LE(parcels->RowCount(filter.get()), parks);

  // a join's own prefix, a subset of its fields, and the joined layer's subset
  std::string text = replaced(readFile(kHere / "mixed.qgs"), R"(memoryCache="1" joinLayerId="owners_4"/>)",
                              R"(hasCustomPrefix="1" customPrefix="o_" joinLayerId="owners_4"><joinFieldsSubset><field name="ONAME"/></joinFieldsSubset></join>)");
  text = replaced(text, "<datasource>./data/owners.csv</datasource>",
                  "<datasource>./data/owners.csv|subset=\"OTYPE\" = 'Nobody'</datasource>");
  writeFile(dir / "prefixed.qgs", text);
  auto prefixed = MapDocument::open(dir / "prefixed.qgs");
  auto table = com::query<host::IDisplayTable>(prefixed->layer(u"Parcels").get())->DisplayTable();
  EXPECT_EQ(namesOf(table.get()).back(), "o_ONAME");
  EXPECT_EQ(namesOf(table.get()).size(), 10u);
  filter->WhereClause(u"\"o_ONAME\" IS NOT NULL");
  EXPECT_EQ(table->RowCount(filter.get()), 0);  // no owner passes the joined layer's subset
}

TEST_F(QgisFiles, FilesQgisCannotHaveWrittenAreRefusedWithWhatIsWrong) {
  const std::string good = readFile(kHere / "mixed.qgs");
  const std::vector<std::tuple<std::string, std::string, std::string>> cases{
      {"broken.qgs", replaced(good, "</layer-tree-group>\n  <projectlayers>", "<projectlayers>"), "line "},
      {"other.qgs", "<?xml version=\"1.0\"?>\n<map/>\n", "root element is not <qgis>"},
      {"nosource.qgs", replaced(good, "<datasource>./data/landuse.shp</datasource>", ""), "has no data source"},
      {"zipped.qgz", good, "not a zipped QGIS project"},
  };
  for (const auto& [name, text, problem] : cases) {
    SCOPED_TRACE(name);
    writeFile(dir / name, text);
    try {
      MapDocument::open(dir / name);
      ADD_FAILURE() << "read";
    } catch (const DocumentError& e) {
      EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  writeFile(dir / "style.qml", "<qgis><renderer-v2 type=\"singleSymbol\"/></qgis>");
  EXPECT_THROW(MapDocument::open(dir / "style.qml"), DocumentError);  // a style needs its data
  EXPECT_THROW(MapDocument::open(dir / "mixed.cwmap", {"data/landuse.shp"}), DocumentError);

  // what QGIS could have written but this program cannot label opens, and says why on use
  std::string odd = replaced(good, R"(type="RuleRenderer")", R"(type="pieChartRenderer")");
  odd = replaced(odd, R"(<provider encoding="UTF-8">ogr</provider>
      <renderer-v2 symbollevels)", R"(<provider encoding="UTF-8">delimitedtext</provider>
      <renderer-v2 symbollevels)");
  odd = replaced(odd, R"(attr="USE")", R"x(attr="upper(&quot;USE&quot;)")x");
  writeFile(dir / "odd.qgs", odd);
  auto doc = MapDocument::open(dir / "odd.qgs");
  const auto unknown = rendererOf<IUnlabelledRenderer>(*doc, u"Rules")->Reason();
  EXPECT_NE(unknown.find("\"pieChartRenderer\""), std::string::npos) << unknown;
  // categories on an expression are read, for QGIS to put the features in them
  auto onExpression = rendererOf<mapdoc::qgis::IQgisClassified>(*doc, u"Parcels");
  ASSERT_TRUE(onExpression);
  EXPECT_NE(onExpression->QgisOnly().find("upper(\"USE\")"), std::string::npos) << onExpression->QgisOnly();
  EXPECT_FALSE(doc->layer(u"Rules")->Valid());
  try {
    com::query<host::IFeatureLayer>(doc->layer(u"Rules").get())->FeatureClass();
    ADD_FAILURE() << "opened";
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("\"delimitedtext\""), std::string::npos) << e.what();
  }
}

TEST_F(QgisFiles, AStyleIsOneLayerOverTheDataTheOptionsName) {
  writeFile(dir / "Land use.qml", R"(<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>
<qgis version="3.22.16-Białowieża" styleCategories="AllStyleCategories">
  <renderer-v2 attr="USE" type="categorizedSymbol">
    <categories>
      <category label="Park" value="Park" symbol="0" render="true"/>
    </categories>
  </renderer-v2>
</qgis>
)");
  auto doc = MapDocument::open(dir / "Land use.qml", {(dir / "data" / "landuse.gpkg").string() + "|layername=landuse|subset=\"USE\" = 'Park'"});
  ASSERT_EQ(doc->layers().size(), 1u);
  auto layer = doc->layer(u"Land use");
  ASSERT_TRUE(layer && layer->Valid());
  EXPECT_EQ(com::query<host::IFeatureLayerDefinition>(layer.get())->DefinitionExpression(), u"\"USE\" = 'Park'");
  EXPECT_EQ(rendererOf<host::IRendererClasses>(*doc, u"Land use")->Class(0), u"Park");
  EXPECT_TRUE(doc->CurrentContentsView()->SelectedItem().isObject());
}

}  // namespace
}  // namespace mapdoc::qgis::testing
