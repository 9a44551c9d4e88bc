#pragma once
// What only QGIS can read of a QGIS layer: classes on an expression or by
// rules, virtual fields, data that comes through a provider we do not read.
// For such a layer of a saved project, QGIS itself (headless PyQGIS running
// the QGIS plugin's records module) hands over the records and classes as
// it sees them, and the layer reads them from then on; where QGIS is not
// installed, the layer is refused, saying what needs QGIS.
#include <filesystem>
#include <string>
#include <vector>

#include "mapdoc/document.h"
#include "mapdoc/layers/feature_layer.h"

namespace mapdoc::qgis {

struct QgisNeeds {
  bool data = false;     // the records must come from QGIS
  bool classes = false;  // the classes must come from QGIS
  std::vector<std::string> reasons;
  bool any() const { return data || classes; }
  std::string why() const;  // the reasons, joined
};

// What labels over these fields (an expression's) need QGIS for; nothing
// for a layer of a document of our own.
QgisNeeds qgisNeeds(MapDocument& document, host::ILayer* layer, const std::vector<std::string>& fields);

// Has QGIS write what needs says into a folder of its own (removed when the
// program ends) and makes the layer read its records and classes from it.
// everyRecord: the layer's filter is left out. Throws std::runtime_error
// naming the layer and what needs QGIS when QGIS is not installed or fails.
void evaluateInQgis(MapDocument& document, host::ILayer* layer, const std::vector<std::string>& fields,
                    const QgisNeeds& needs, bool everyRecord);

// The layer's renderer classifies by the classes in file (see
// feature_classes.h) from now on. Throws std::runtime_error when the file
// cannot be read or does not fit the renderer.
void useQgisClasses(FeatureLayer& layer, const std::filesystem::path& file);

// The field names a label expression names: the text between brackets.
std::vector<std::string> expressionFieldNames(const std::string& expression);

}  // namespace mapdoc::qgis
