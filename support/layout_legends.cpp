#include "support/layout_legends.h"

#include "host/classes.h"
#include "host/layout.h"
#include "platform/com/class_factory.h"

namespace support {

void RefreshLayoutLegends(host::IMxDocument* document) {
  auto view = document->ActiveView();
  auto container = document->PageLayout().as<host::IGraphicsContainer>();
  if (!container) return;
  container->Reset();
  for (auto element = container->Next(); element; element = container->Next()) {
    auto frame = element.as<host::IMapSurroundFrame>();
    if (!frame) continue;
    auto legend = frame->MapSurround().as<host::ILegend>();
    if (!legend) continue;
    legend->Refresh();
    if (view) view->PartialRefresh(host::IActiveView::PhaseGraphics, element.get(), nullptr);
    auto bounds = com::create<host::IEnvelope>(host::CLSID_Envelope);
    auto current = element->Geometry();
    legend->QueryBounds(view ? view->ScreenDisplay().get() : nullptr, current.get(), bounds.get());
    element->Geometry(bounds.get());
    legend->Refresh();
    if (view) view->PartialRefresh(host::IActiveView::PhaseGraphics, element.get(), nullptr);
  }
}

}  // namespace support
