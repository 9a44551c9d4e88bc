#pragma once
// Legends of the page layout follow their labels: each legend frame is
// redrawn and re-fitted to the bounds its legend now needs. Shared by every
// front end that writes labels.
#include "host/application.h"

namespace support {

// Walks the page layout's elements; every map-surround frame holding a
// legend is refreshed, given the bounds the legend asks for, and refreshed
// again. Other elements are left alone. Host errors propagate.
void RefreshLayoutLegends(host::IMxDocument* document);

}  // namespace support
