#include "mapdoc/legend.h"

#include <algorithm>
#include <cmath>

namespace mapdoc {
namespace {

constexpr double kLineHeight = 0.2;   // inches per text line
constexpr double kCharWidth = 0.075;  // inches per character
constexpr double kSwatch = 0.4;       // symbol patch and gap
constexpr double kMargin = 0.1;

void addLabel(const host::Text& label, std::vector<host::Text>& out) {
  std::size_t start = 0;
  while (true) {
    auto at = label.find_first_of(u"\r\n", start);
    out.push_back(label.substr(start, at == host::Text::npos ? host::Text::npos : at - start));
    if (at == host::Text::npos) break;
    start = at + 1;
    if (label[at] == u'\r' && start < label.size() && label[start] == u'\n') ++start;
  }
}

}  // namespace

std::vector<host::Text> Legend::lines() {
  std::vector<host::Text> out;
  for (const auto& layer : layers_) {
    out.push_back(layer->Name());
    auto geo = com::query<host::IGeoFeatureLayer>(layer.get());
    auto renderer = geo ? geo->Renderer() : nullptr;
    if (!renderer) continue;
    if (auto simple = com::query<host::ISimpleRenderer>(renderer.get())) {
      addLabel(simple->Label(), out);
    } else if (auto classes = com::query<host::IRendererClasses>(renderer.get())) {
      for (int i = 0; i < classes->ClassCount(); ++i) addLabel(classes->Class(i), out);
    }
  }
  return out;
}

void Legend::QueryBounds(host::IScreenDisplay* display, host::IEnvelope* oldBounds, host::IEnvelope* newBounds) {
  if (!newBounds) return;
  double width = 0, height = 0;
  auto measure = com::query<ILegendMeasure>(display);
  if (!measure || !measure->MeasureLegend(this, width, height)) {
    const auto all = lines();
    std::size_t longest = 0;
    for (const auto& l : all) longest = std::max(longest, l.size());
    width = 2 * kMargin + kSwatch + kCharWidth * static_cast<double>(longest);
    height = 2 * kMargin + kLineHeight * static_cast<double>(all.size());
  }
  // up, so that the legend fits; what is on the grid but for arithmetic
  // noise stays there
  const auto frameSize = [](double inches) { return std::ceil(inches * kFrameUnitsPerInch - 1e-6) / kFrameUnitsPerInch; };
  width = frameSize(width);
  height = frameSize(height);
  const double left = oldBounds && !oldBounds->IsEmpty() ? oldBounds->XMin() : 0;
  const double top = oldBounds && !oldBounds->IsEmpty() ? oldBounds->YMax() : height;
  newBounds->PutCoords(left, top - height, left + width, top);
}

}  // namespace mapdoc
