// Legends drawn and measured: every class label, multi-line labels, the
// swatches in the class symbols' colours.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <QXmlStreamReader>
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "apps/carrowind-map/render/label_lines.h"
#include "apps/carrowind-map/render/legend_drawing.h"
#include "apps/carrowind-map/render/measuring_display.h"
#include "mapdoc/document.h"
#include "mapdoc/envelope.h"
#include "mapdoc/legend.h"

namespace {

namespace fs = std::filesystem;
using namespace carrowind::render;

host::Ref<mapdoc::MapDocument> sampleMap() {
  return mapdoc::MapDocument::open(fs::path(CW_SOURCE_DIR) / "examples/landuse.cwmap");
}

host::Ref<host::ILegend> legendOf(mapdoc::MapDocument& document, const char16_t* layer) {
  return com::make<mapdoc::Legend>(std::vector<host::Ref<host::ILayer>>{document.layer(layer)});
}

// The text lines a drawn legend writes, in order.
std::vector<QString> drawnLines(host::ILegend* legend) {
  QByteArray svg;
  QBuffer buffer(&svg);
  buffer.open(QIODevice::WriteOnly);
  {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(72);
    generator.setSize(QSize(600, 1200));
    QPainter painter(&generator);
    drawLegend(painter, QPointF(0, 0), legend);
  }
  std::vector<QString> out;
  QXmlStreamReader xml(svg);
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
      out.push_back(xml.readElementText(QXmlStreamReader::IncludeChildElements));
  return out;
}

TEST(LabelLines, EveryKindOfLineBreakSplitsAndTheContentsShowOneLine) {
  EXPECT_EQ(labelLines(u"a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(labelLines(u"one"), QStringList{"one"});
  EXPECT_EQ(labelLines(u"end\r\n"), (QStringList{"end", ""}));
  EXPECT_EQ(oneLineLabel(u"Park\r\n12 ac."), "Park 12 ac.");
  EXPECT_EQ(oneLineLabel(u"x"), "x");
}

TEST(LegendDrawing, DrawsTheTitleEveryLayerAndEveryClassLabelInOrder) {
  auto document = sampleMap();
  auto legend = com::make<mapdoc::Legend>(
      std::vector<host::Ref<host::ILayer>>{document->layer(u"Land use"), document->layer(u"Parcel size")});
  const auto lines = drawnLines(legend.get());
  // Independently of the drawing: the title, then each layer's name and its classes' labels.
  std::vector<QString> expected{"Legend"};
  for (const auto* name : {u"Land use", u"Parcel size"}) {
    auto layer = document->layer(name);
    expected.push_back(QString::fromStdU16String(layer->Name()));
    auto classes = com::query<host::IRendererClasses>(com::query<host::IGeoFeatureLayer>(layer.get())->Renderer().get());
    for (int i = 0; i < classes->ClassCount(); ++i) expected.push_back(QString::fromStdU16String(classes->Class(i)));
  }
  EXPECT_EQ(lines, expected);
}

TEST(LegendDrawing, MultiLineLabelsTakeMoreHeightAndKeepTheirLines) {
  auto document = sampleMap();
  auto legend = legendOf(*document, u"Land use");
  QImage device(10, 10, QImage::Format_RGB32);
  const QSizeF before = measureLegend(legend.get(), device);
  auto unique = com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(document->layer(u"Land use").get())->Renderer().get());
  unique->Label(u"Park", u"PARK\r\nCity parks\r\n120 ac.");
  const QSizeF after = measureLegend(legend.get(), device);
  EXPECT_GT(after.height(), before.height() + 10);  // two more 8-point lines
  EXPECT_NEAR(after.width(), before.width(), 1e-6);  // the lines are shorter than "<all other values>"

  const auto lines = drawnLines(legend.get());
  const auto park = std::find(lines.begin(), lines.end(), QString("PARK"));
  ASSERT_NE(park, lines.end());
  ASSERT_LT(park + 2, lines.end());
  EXPECT_EQ(park[1], "City parks");
  EXPECT_EQ(park[2], "120 ac.");

  // A longer single line widens the legend.
  unique->Label(u"Park", u"Parks, gardens, playgrounds and the cemetery");
  EXPECT_GT(measureLegend(legend.get(), device).width(), before.width() + 20);
}

TEST(LegendDrawing, MeasuredSizeHoldsTheDrawingAtAnyResolution) {
  auto document = sampleMap();
  auto legend = legendOf(*document, u"Land use");
  for (int dpi : {72, 150, 300}) {
    SCOPED_TRACE(dpi);
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(static_cast<int>(dpi / 0.0254));
    probe.setDotsPerMeterY(static_cast<int>(dpi / 0.0254));
    const QSizeF size = measureLegend(legend.get(), probe);
    const double px = dpi / 72.0;
    // Drawn into an image twice its size: nothing falls outside the measured box.
    QImage image(static_cast<int>(size.width() * px * 2), static_cast<int>(size.height() * px * 2), QImage::Format_RGB32);
    image.setDotsPerMeterX(probe.dotsPerMeterX());
    image.setDotsPerMeterY(probe.dotsPerMeterY());
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      painter.scale(px, px);
      drawLegend(painter, QPointF(0, 0), legend.get());
    }
    int maxX = 0, maxY = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != qRgb(255, 255, 255)) maxX = std::max(maxX, x), maxY = std::max(maxY, y);
    EXPECT_GT(maxX, 0);
    EXPECT_LE(maxX, size.width() * px + 1);
    EXPECT_LE(maxY, size.height() * px + 1);
    // and the measure is not loose either: the drawing reaches into its last padding
    EXPECT_GT(maxX, (size.width() - 12) * px);
  }
}

TEST(LegendDrawing, SwatchesAreFilledWithTheClassSymbols) {
  auto document = sampleMap();
  auto legend = legendOf(*document, u"Land use");
  QImage image(400, 800, QImage::Format_RGB32);
  image.setDotsPerMeterX(static_cast<int>(144 / 0.0254));
  image.setDotsPerMeterY(static_cast<int>(144 / 0.0254));
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(2, 2);
    drawLegend(painter, QPointF(0, 0), legend.get());
  }
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) & 0xFFFFFF];

  auto unique = com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(document->layer(u"Land use").get())->Renderer().get());
  std::vector<host::Symbol> symbols;
  for (int i = 0; i < unique->ValueCount(); ++i) symbols.push_back(unique->Symbol(unique->Value(i)));
  symbols.push_back(unique->DefaultSymbol());
  ASSERT_EQ(symbols.size(), 10u);
  for (const auto& s : symbols) {
    const QRgb fill = qRgb(s.fill.r, s.fill.g, s.fill.b) & 0xFFFFFF;
    // Most of a 40 x 24 pixel patch inside its outline.
    EXPECT_GT(counts[fill], 600) << std::hex << fill;
    EXPECT_LT(counts[fill], 1000) << std::hex << fill;
  }
}

}  // namespace

namespace {

TEST(LegendDrawing, RefittedBoundsAreTheDrawnSizeWhenThePageMeasures) {
  auto document = sampleMap();
  auto frame = document->pageLayout()->frames().front();
  auto legend = com::query<host::ILegend>(frame->MapSurround().get());
  auto old = frame->Geometry();
  auto estimate = com::make<mapdoc::Envelope>(), measured = com::make<mapdoc::Envelope>();
  legend->QueryBounds(document->pageLayout()->ScreenDisplay().get(), old.get(), estimate.get());

  document->pageLayout()->setScreenDisplay(com::make<MeasuringDisplay>());
  auto display = document->pageLayout()->ScreenDisplay();
  legend->QueryBounds(display.get(), old.get(), measured.get());
  QImage probe(1, 1, QImage::Format_RGB32);
  probe.setDotsPerMeterX(static_cast<int>(std::lround(96 / 0.0254)));
  probe.setDotsPerMeterY(probe.dotsPerMeterX());
  const QSizeF drawn = measureLegend(legend.get(), probe);
  // rounded up to the thousandth of an inch frames are placed to
  EXPECT_GE(measured->Width(), drawn.width() / 72 - 1e-9);
  EXPECT_LT(measured->Width(), drawn.width() / 72 + 0.001);
  EXPECT_GE(measured->Height(), drawn.height() / 72 - 1e-9);
  EXPECT_LT(measured->Height(), drawn.height() / 72 + 0.001);
  EXPECT_GT(std::abs(measured->Height() - estimate->Height()), 0.01);  // the estimate was not used
  // The top-left corner stays where it was.
  EXPECT_DOUBLE_EQ(measured->XMin(), old->XMin());
  EXPECT_DOUBLE_EQ(measured->YMax(), old->YMax());

  // Back to the plain display: the estimate again.
  document->pageLayout()->setScreenDisplay(nullptr);
  auto again = com::make<mapdoc::Envelope>();
  legend->QueryBounds(document->pageLayout()->ScreenDisplay().get(), old.get(), again.get());
  EXPECT_DOUBLE_EQ(again->Height(), estimate->Height());
}

}  // namespace
