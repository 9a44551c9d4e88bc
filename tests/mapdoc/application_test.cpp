#include <gtest/gtest.h>

#include "host/classes.h"
#include "mapdoc/document.h"
#include "mapdoc/legend.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace {

const auto kLanduse = std::filesystem::path(CW_SOURCE_DIR) / "examples" / "landuse.cwmap";

TEST(Application, LeadsFromTheApplicationToTheSelectedLayer) {
  auto doc = MapDocument::open(kLanduse);
  auto app = doc->application();
  EXPECT_EQ(doc->application().get(), app.get());
  auto mx = com::query<host::IMxDocument>(app->Document().get());
  ASSERT_TRUE(mx);
  auto item = mx->CurrentContentsView()->SelectedItem();
  ASSERT_TRUE(item.isObject());
  auto layer = com::query<host::ILayer>(item.object().get());
  EXPECT_EQ(layer->Name(), u"Land use");
  EXPECT_EQ(com::query<host::IFeatureSelection>(layer.get())->SelectionSet()->Count(), 10);
  EXPECT_EQ(mx->FocusMap()->LayerCount(), 5);

  app->StatusBar()->Message(0, u"Working");
  EXPECT_EQ(doc->statusBar()->Message(0), u"Working");
  app->StatusBar()->ProgressAnimation()->Play();
  EXPECT_TRUE(doc->statusBar()->progress()->Playing());
}

TEST(Application, CommandsAreFoundAndAddedByUid) {
  auto doc = MapDocument::open(kLanduse);
  auto uid = com::create<host::IUID>(host::CLSID_UID);
  uid->Value(u"esriCore.FeatureLayerContextMenu");
  auto menu = com::query<host::ICommandBar>(doc->CommandBars()->Find(uid.get(), false, false).get());
  ASSERT_TRUE(menu);
  auto command = com::create<host::IUID>(host::CLSID_UID);
  command->Value(u"QVXCRWUI.clsQVXCWCommand");
  EXPECT_FALSE(menu->Find(command.get(), false));
  menu->Add(command.get(), host::Value());
  EXPECT_TRUE(menu->Find(command.get(), false));
  EXPECT_TRUE(doc->CommandBars()->Find(command.get(), false, true));
}

TEST(PageLayout, LegendBoundsFollowTheLabels) {
  auto doc = MapDocument::open(kLanduse);
  auto container = com::query<host::IGraphicsContainer>(doc->PageLayout().get());
  container->Reset();
  auto element = container->Next();
  ASSERT_TRUE(element);
  auto legend = com::query<host::ILegend>(com::query<host::IMapSurroundFrame>(element.get())->MapSurround().get());
  ASSERT_TRUE(legend);
  EXPECT_EQ(legend->ItemCount(), 2);
  auto old = element->Geometry();
  auto before = com::create<host::IEnvelope>(host::CLSID_Envelope);
  legend->QueryBounds(doc->ActiveView()->ScreenDisplay().get(), old.get(), before.get());

  auto unique = com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(doc->layer(u"Land use").get())->Renderer().get());
  unique->Label(u"Park", u"Parks, gardens and every other green open space\nwith a second line");
  auto after = com::create<host::IEnvelope>(host::CLSID_Envelope);
  legend->QueryBounds(doc->ActiveView()->ScreenDisplay().get(), old.get(), after.get());
  EXPECT_GT(after->Width(), before->Width());
  EXPECT_GT(after->Height(), before->Height());
  EXPECT_DOUBLE_EQ(after->XMin(), old->XMin());
  EXPECT_DOUBLE_EQ(after->YMax(), old->YMax());
  EXPECT_TRUE(container->Next());
  EXPECT_FALSE(container->Next());
}

struct Listener : com::Object<host::IDocumentEvents> {
  int opened = 0;
  void NewDocument() override {}
  void OpenDocument() override { ++opened; }
  void CloseDocument() override {}
};

TEST(Document, ListenersHearEventsUntilTheyLeave) {
  auto doc = MapDocument::open(kLanduse);
  auto listener = com::make<Listener>();
  const auto cookie = doc->Advise(listener.get());
  doc->fireOpenDocument();
  doc->Unadvise(cookie);
  doc->fireOpenDocument();
  EXPECT_EQ(listener->opened, 1);
}

}  // namespace
}  // namespace mapdoc

namespace mapdoc {
namespace {

host::Ref<host::IQueryFilter> whereClause(const std::u16string& clause) {
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(clause);
  return filter;
}

TEST(LayerDefinition, DefinitionQueryAndSelectionLimitWhatTheLayerShows) {
  const auto examples = std::filesystem::path(CW_SOURCE_DIR) / "examples";
  auto byQuery = MapDocument::open(examples / "definition_query.cwmap")->layers().front();
  auto definition = com::query<host::IFeatureLayerDefinition>(byQuery.get());
  EXPECT_EQ(definition->DefinitionExpression(), u"\"DISTRICT\" = 'North'");
  EXPECT_FALSE(definition->DefinitionSelectionSet());
  auto table = com::query<host::IDisplayTable>(byQuery.get())->DisplayTable();
  const auto north = table->RowCount(whereClause(definition->DefinitionExpression()).get());
  EXPECT_GT(north, 0);
  EXPECT_LT(north, table->RowCount(nullptr));
  EXPECT_LE(table->RowCount(whereClause(u"( " + definition->DefinitionExpression() + u") AND \"USE\" = 'Park'").get()), north);

  auto bySelection = MapDocument::open(examples / "definition_selection.cwmap")->layers().front();
  auto set = com::query<host::IFeatureLayerDefinition>(bySelection.get())->DefinitionSelectionSet();
  ASSERT_TRUE(set);
  EXPECT_EQ(set->Count(), 56);
  host::Ref<host::ICursor> cursor;
  set->Search(whereClause(u"\"ACRES\" > 4").get(), true, cursor);
  int inSet = 0;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow(), ++inSet) EXPECT_EQ(row->OID() % 3, 0);
  EXPECT_GT(inSet, 0);
  EXPECT_LT(inSet, 56);

  auto selection = com::query<host::IFeatureSelection>(bySelection.get());
  EXPECT_EQ(selection->SelectionSet()->Count(), 0);
  selection->SelectionSet(set.get());
  EXPECT_EQ(selection->SelectionSet()->Count(), 56);
  selection->Clear();
  EXPECT_EQ(selection->SelectionSet()->Count(), 0);
}

// Raster and group layers are layers but not feature layers; a group's
// members are found by name and listed after it; each data layer names its
// dataset and the kind of source it comes from.
TEST(LayerKinds, GroupsRastersAndDataSourceNames) {
  const auto examples = std::filesystem::path(CW_SOURCE_DIR) / "examples";
  auto doc = MapDocument::fromJson(Json::parse(R"({"format": "carrowind-map", "version": 1, "layers": [
    {"name": "Base", "type": "group", "layers": [
      {"name": "Parcels", "source": {"path": "data/landuse.gpkg", "layer": "landuse"}, "renderer": {"type": "simple"}},
      {"name": "Relief", "type": "raster", "source": {"path": "data/elevation.tif"}}]},
    {"name": "Shapes", "source": {"path": "data/landuse.shp"}, "renderer": {"type": "simple"}},
    {"name": "Owner table", "source": {"path": "data/owners.csv"}, "renderer": {"type": "simple"}}],
    "selected_layer": "Relief"})"),
                                   examples / "generated.cwmap");
  std::vector<std::u16string> names;
  for (const auto& l : doc->layers()) names.push_back(l->Name());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Base", u"Parcels", u"Relief", u"Shapes", u"Owner table"}));
  EXPECT_EQ(doc->FocusMap()->LayerCount(), 3);

  auto group = doc->layer(u"Base");
  EXPECT_FALSE(com::query<host::IFeatureLayer>(group.get()));
  EXPECT_EQ(com::query<host::ICompositeLayer>(group.get())->Count(), 2);
  auto relief = doc->layer(u"Relief");
  EXPECT_TRUE(relief->Valid());
  EXPECT_FALSE(com::query<host::IFeatureLayer>(relief.get()));
  EXPECT_FALSE(com::query<host::IGeoFeatureLayer>(relief.get()));
  EXPECT_TRUE(std::filesystem::exists(text::toUtf8(com::query<host::IRasterLayer>(relief.get())->FilePath())));
  EXPECT_EQ(com::query<host::ILayer>(doc->CurrentContentsView()->SelectedItem().object().get()).get(), relief.get());

  for (const auto& [layer, dataset, category] : std::vector<std::tuple<std::u16string, std::u16string, std::u16string>>{
           {u"Parcels", u"landuse", u"GeoPackage Feature Class"},
           {u"Shapes", u"landuse", u"Shapefile Feature Class"},
           {u"Owner table", u"owners", u"Text File"}}) {
    SCOPED_TRACE(text::toUtf8(layer));
    auto name = com::query<host::IDatasetName>(com::query<host::IDataLayer>(doc->layer(layer).get())->DataSourceName().get());
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Name(), dataset);
    EXPECT_EQ(name->Category(), category);
  }

  const auto written = doc->toJson();
  EXPECT_EQ(written["layers"][0]["layers"][1]["source"]["path"], "data/elevation.tif");
  EXPECT_EQ(MapDocument::fromJson(written, examples / "generated.cwmap")->toJson(), written);
}

}  // namespace
}  // namespace mapdoc
