#include "apps/carrowind-map/render/map_layers.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <filesystem>

#include "mapdoc/data/open.h"
#include "mapdoc/layers/feature_layer.h"
#include "platform/text/utf.h"

namespace carrowind::render {
namespace {

namespace fs = std::filesystem;

std::shared_ptr<OGRSpatialReference> readCrs(const MapLayer& layer) {
  const unsigned kind = layer.raster ? GDAL_OF_RASTER : GDAL_OF_VECTOR;
  CPLStringList options;
  for (const auto& o : layer.openOptions) options.AddString(o.c_str());
  GDALDatasetUniquePtr dataset(GDALDataset::Open(layer.openName.c_str(), kind | GDAL_OF_READONLY, nullptr, options.List()));
  if (!dataset) return nullptr;
  const OGRSpatialReference* crs = nullptr;
  if (layer.raster) {
    crs = dataset->GetSpatialRef();
  } else {
    OGRLayer* l = !layer.layerName.empty() ? dataset->GetLayerByName(layer.layerName.c_str())
                                           : dataset->GetLayer(std::max(layer.layerIndex, 0));
    if (l) crs = l->GetSpatialRef();
  }
  if (!crs) return nullptr;
  auto copy = std::make_shared<OGRSpatialReference>(*crs);
  copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return copy;
}

// Where a feature layer's data lives.
void locateFeatureSource(host::ILayer* layer, MapLayer& out) {
  auto* feature = dynamic_cast<mapdoc::FeatureLayer*>(layer);
  if (!feature) return;
  try {
    const auto request = mapdoc::openRequest(feature->source(), feature->baseDir());
    out.openName = request.name;
    out.layerName = request.layer;
    out.layerIndex = request.layerIndex;
    out.openOptions = request.options;
  } catch (const std::exception&) {
    return;  // no source: the layer is invalid and left out
  }
}

void collect(const host::Ref<host::ILayer>& layer, std::vector<MapLayer>& out) {
  if (!layer || !layer->Visible()) return;
  if (auto group = com::query<host::ICompositeLayer>(layer.get())) {
    // Members from the bottom up, so the top member is drawn last.
    for (int i = group->Count() - 1; i >= 0; --i) collect(group->Layer(i), out);
    return;
  }
  MapLayer entry;
  entry.layer = layer;
  if (auto raster = com::query<host::IRasterLayer>(layer.get())) {
    entry.raster = true;
    entry.openName = text::toUtf8(raster->FilePath());
  } else if (com::query<host::IFeatureLayer>(layer.get())) {
    locateFeatureSource(layer.get(), entry);
  } else {
    return;
  }
  if (!layer->Valid()) return;
  if (!entry.openName.empty()) entry.crs = readCrs(entry);
  out.push_back(std::move(entry));
}

}  // namespace

std::vector<MapLayer> visibleMapLayers(mapdoc::MapDocument& document) {
  std::vector<MapLayer> out;
  const auto& layers = document.map()->layers();
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) collect(*it, out);
  return out;
}

}  // namespace carrowind::render
