// The map view: selecting with a rectangle, identifying a feature, and the
// table of contents' layer boxes.
#include <ogr_api.h>

#include <QTest>
#include <QTreeWidget>

#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/identify_window.h"
#include "apps/carrowind-map/ui/map_canvas.h"
#include "map_fixture.h"

namespace carrowind::map::testing {
namespace {

int selectedCount(host::ILayer* layer) {
  return com::query<host::IFeatureSelection>(layer)->SelectionSet()->Count();
}

int featureCount(host::ILayer* layer) {
  return com::query<host::IFeatureLayer>(layer)->FeatureClass()->FeatureCount(nullptr);
}

TEST_F(MapWindowTest, ARectangleSelectsTheChosenLayersFeatures) {
  open("landuse.cwmap");
  auto landUse = layer(u"Land use");
  auto parcels = layer(u"Parcel size");
  const int parcelsBefore = selectedCount(parcels.get());
  auto* view = window_->mapView();
  window_->findChild<QAction*>(QStringLiteral("ActionSelect"))->trigger();
  ASSERT_EQ(view->tool(), MapCanvas::Tool::Select);
  window_->findChild<QAction*>(QStringLiteral("ActionFullExtent"))->trigger();

  // Land use is chosen in the table of contents: only it is selected in.
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, 1));
  QTest::mouseMove(view, QPoint(view->width() - 2, view->height() - 2));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() - 2, view->height() - 2));
  EXPECT_EQ(selectedCount(landUse.get()), featureCount(landUse.get()));
  EXPECT_EQ(selectedCount(parcels.get()), parcelsBefore);

  // A click where there is nothing empties the selection; a smaller
  // rectangle takes part of the features, and Shift adds to them.
  QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(selectedCount(landUse.get()), 0);
  const int left = view->selectInRectangle(QRect(0, 0, view->width() / 2, view->height()), false);
  EXPECT_GT(left, 0);
  EXPECT_LT(left, featureCount(landUse.get()));
  const int both = view->selectInRectangle(QRect(view->width() / 2, 0, view->width() / 2, view->height()), true);
  EXPECT_EQ(both, featureCount(landUse.get()));
  EXPECT_NE(window_->hostStatusBar().Message(0).find(u"features selected in Land use"), std::u16string::npos);
}

TEST_F(MapWindowTest, IdentifyListsTheFeatureUnderTheClick) {
  open("simple.cwmap");
  auto* view = window_->mapView();
  const auto& contents = view->contents();
  ASSERT_FALSE(contents.layers.empty());
  const auto& shapes = *contents.layers.back().features;
  ASSERT_FALSE(shapes.shapes.empty());
  const auto& target = shapes.shapes.front();
  OGRGeometryH inside = OGR_G_PointOnSurface(OGRGeometry::ToHandle(target.geometry.get()));
  ASSERT_TRUE(inside);
  const QPointF where(OGR_G_GetX(inside, 0), OGR_G_GetY(inside, 0));
  OGR_G_DestroyGeometry(inside);
  window_->findChild<QAction*>(QStringLiteral("ActionIdentify"))->trigger();
  QTest::mouseClick(view, Qt::LeftButton, {}, view->toWidget(where).toPoint());

  auto* results = window_->identifyWindow()->results();
  ASSERT_TRUE(window_->identifyWindow()->isVisible());
  ASSERT_GE(results->topLevelItemCount(), 1);
  QTreeWidgetItem* first = results->topLevelItem(0);
  EXPECT_EQ(first->text(1), QStringLiteral("Object ID %1").arg(target.oid));
  QStringList fields;
  for (int i = 0; i < first->childCount(); ++i) fields << first->child(i)->text(0);
  EXPECT_TRUE(fields.contains(QStringLiteral("USE")));
  EXPECT_FALSE(fields.contains(QStringLiteral("Shape")));
}

// The map extent the view shows.
render::MapExtent shown(const MapCanvas& view) {
  render::MapExtent e;
  const QPointF a = view.toMap(QPointF(0, 0)), b = view.toMap(QPointF(view.width(), view.height()));
  e.add(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()), std::max(a.y(), b.y()));
  return e;
}

bool contains(const render::MapExtent& outer, const render::MapExtent& inner) {
  const double slack = 1e-6 * std::max(outer.width(), outer.height());
  return outer.xmin <= inner.xmin + slack && outer.ymin <= inner.ymin + slack && outer.xmax >= inner.xmax - slack &&
         outer.ymax >= inner.ymax - slack;
}

TEST_F(MapWindowTest, ZoomToLayerShowsThatLayer) {
  open("landuse.cwmap");
  auto* view = window_->mapView();
  auto extentOf = [&](const std::u16string& name) {
    for (const auto& l : view->contents().layers)
      if (l.layer->Name() == name) return l.features->extent();
    ADD_FAILURE() << "not drawn";
    return render::MapExtent{};
  };
  const auto countries = extentOf(u"Countries"), landUse = extentOf(u"Land use");
  EXPECT_FALSE(contains(shown(*view), countries));  // the map opens on the land use, not the world

  menuFor(u"Countries")->findChild<QAction*>(QStringLiteral("ActionZoomToLayer"))->trigger();
  EXPECT_TRUE(contains(shown(*view), countries));
  menuFor(u"Land use")->findChild<QAction*>(QStringLiteral("ActionZoomToLayer"))->trigger();
  EXPECT_TRUE(contains(shown(*view), landUse));
  EXPECT_LT(shown(*view).width(), countries.width() / 100);
}

TEST_F(MapWindowTest, HidingALayerTakesItOffTheMapAndMarksTheDocument) {
  open("landuse.cwmap");
  auto* view = window_->mapView();
  const auto layersBefore = view->contents().layers.size();
  auto* row = window_->contents()->itemOf(layer(u"Countries").get());
  ASSERT_TRUE(row);
  row->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(layer(u"Countries")->Visible());
  EXPECT_EQ(view->contents().layers.size(), layersBefore - 1);
  EXPECT_TRUE(window_->isWindowModified());
}

}  // namespace
}  // namespace carrowind::map::testing
