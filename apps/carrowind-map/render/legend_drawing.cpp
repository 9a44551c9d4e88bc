#include "apps/carrowind-map/render/legend_drawing.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>
#include <vector>

#include "apps/carrowind-map/render/class_symbols.h"
#include "apps/carrowind-map/render/label_lines.h"
#include "apps/carrowind-map/render/symbol_paint.h"

namespace carrowind::render {
namespace {

QFont legendFont(double points, bool bold, const QPaintDevice& device) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  // Painter units are points: undo the device's own point-to-pixel step.
  const int dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 72;
  font.setPointSizeF(points * 72.0 / dpi);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

struct TextItem {
  QPointF baseline;
  QString text;
  int font;  // 0 title, 1 layer, 2 label
};
struct SwatchItem {
  QRectF box;
  host::Symbol symbol;
  ShapeKind kind;
};
struct Layout {
  QSizeF size;
  std::vector<TextItem> texts;
  std::vector<SwatchItem> swatches;
  std::vector<QFont> fonts;
};

ShapeKind layerShapeKind(host::ILayer* layer) {
  auto featureLayer = com::query<host::IFeatureLayer>(layer);
  if (!featureLayer || !layer->Valid()) return ShapeKind::Polygon;
  auto featureClass = featureLayer->FeatureClass();
  return featureClass ? shapeKind(featureClass->ShapeType()) : ShapeKind::Polygon;
}

Layout layoutLegend(host::ILegend* legend, const QPaintDevice& device, const LegendStyle& style) {
  Layout out;
  out.fonts = {legendFont(style.titleSize, true, device), legendFont(style.layerSize, true, device),
               legendFont(style.labelSize, false, device)};
  std::vector<QFontMetricsF> metrics;
  for (const auto& f : out.fonts) metrics.emplace_back(f, &device);

  double y = style.padding, width = 0;
  auto line = [&](const QString& text, int font, double x) {
    const auto& m = metrics[static_cast<std::size_t>(font)];
    out.texts.push_back({QPointF(x, y + m.ascent()), text, font});
    width = std::max(width, x + m.horizontalAdvance(text));
    y += m.lineSpacing();
  };

  const QString title = QString::fromStdU16String(legend->Title());
  if (!title.isEmpty()) line(title, 0, style.padding);
  const double labelX = style.padding + style.swatchWidth + style.swatchGap;
  for (int i = 0; i < legend->ItemCount(); ++i) {
    auto layer = legend->ItemLayer(i);
    if (!layer) continue;
    if (i > 0 || !title.isEmpty()) y += style.layerGap;
    line(oneLineLabel(layer->Name()), 1, style.padding);
    auto geo = com::query<host::IGeoFeatureLayer>(layer.get());
    auto renderer = geo ? geo->Renderer() : nullptr;
    const auto classes = renderClasses(renderer.get());
    if (classes.empty()) continue;
    const ShapeKind kind = layerShapeKind(layer.get());
    const auto& m = metrics[2];
    for (const auto& c : classes) {
      y += style.rowGap;
      const QStringList lines = labelLines(c.label);
      const double textHeight = m.lineSpacing() * lines.size();
      const double rowHeight = std::max(style.swatchHeight, textHeight);
      out.swatches.push_back({QRectF(style.padding, y, style.swatchWidth, style.swatchHeight), c.symbol, kind});
      const double top = y;
      // A single line is centred on the swatch; more lines start level with it.
      if (textHeight < style.swatchHeight) y += (style.swatchHeight - textHeight) / 2;
      for (const auto& l : lines) line(l, 2, labelX);
      y = top + rowHeight;
      width = std::max(width, labelX);
    }
  }
  out.size = QSizeF(width + style.padding, y + style.padding);
  return out;
}

}  // namespace

QSizeF measureLegend(host::ILegend* legend, const QPaintDevice& device, const LegendStyle& style) {
  if (!legend) return {};
  return layoutLegend(legend, device, style).size;
}

void drawLegend(QPainter& painter, const QPointF& topLeft, host::ILegend* legend, const LegendStyle& style) {
  if (!legend || !painter.device()) return;
  const Layout layout = layoutLegend(legend, *painter.device(), style);
  painter.save();
  painter.translate(topLeft);
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const auto& s : layout.swatches) drawSwatch(painter, s.box, s.symbol, s.kind);
  painter.setPen(Qt::black);
  for (const auto& t : layout.texts) {
    painter.setFont(layout.fonts[static_cast<std::size_t>(t.font)]);
    painter.drawText(t.baseline, t.text);
  }
  painter.restore();
}

}  // namespace carrowind::render
