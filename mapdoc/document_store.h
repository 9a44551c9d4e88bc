#pragma once
// Where a document lives when its file is not a map document of our own (a
// QGIS project, say): the store writes the document's changes back into
// that file, in that file's format, and keeps what this program holds for a
// layer between runs (the labels before the first apply) where the format
// leaves room for it.
#include <filesystem>

#include "host/host.h"
#include "mapdoc/json/json.h"

namespace mapdoc {

class MapDocument;

class DocumentStore {
 public:
  virtual ~DocumentStore() = default;
  // Writes the document to file (its own or another) atomically. Throws
  // DocumentError; a failure leaves every file as it was.
  virtual void save(MapDocument& document, const std::filesystem::path& file) = 0;
  // What the program keeps for the layer (a JSON object, open to changes),
  // written with the next save. Throws DocumentError for a layer that is
  // not the document's.
  virtual Json& layerData(host::ILayer* layer) = 0;
};

}  // namespace mapdoc
