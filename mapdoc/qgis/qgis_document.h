#pragma once
// QGIS projects (.qgs, .qgz) and layer styles (.qml) read as map documents.
//
// A project's vector layers with OGR or PostgreSQL data become feature
// layers (the subset string is the definition query; vector joins make the
// display table, joined fields named as QGIS names them), raster layers
// raster layers, the layer tree the table of contents and the print
// layouts' legends the page layout's legend frames. Layers of other kinds
// are left out. A style is one layer, named after the style's file, over
// the data the options name. Saving writes only changed labels back
// (QgisStore).
#include <filesystem>

#include "mapdoc/document.h"

namespace mapdoc::qgis {

bool isQgisFile(const std::filesystem::path& file);

// Throws DocumentError naming the file and the problem.
host::Ref<MapDocument> openQgisDocument(const std::filesystem::path& file, const OpenOptions& options);

}  // namespace mapdoc::qgis
