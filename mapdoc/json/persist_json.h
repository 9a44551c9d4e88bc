#pragma once
// How the document's objects write themselves back into the document.
// Every layer and renderer made from a document answers for IPersistJson;
// a renderer made elsewhere cannot be saved.
#include <filesystem>

#include "host/host.h"
#include "mapdoc/json/json.h"

namespace mapdoc {

struct SaveContext {
  std::filesystem::path targetDir;  // the folder of the file being written
};

struct IPersistJson : host::IUnknown {
  COM_INTERFACE("6B3D1E55-2C59-4F0B-9D8E-1A7C30B4E6F2")
  // The object as it is now, with the members it does not know kept.
  virtual Json ToJson(const SaveContext& context) = 0;
  // The members it does not know (a JSON object), open to changes.
  virtual Json& Extra() = 0;
  // The document now lives in newDir: relative data paths are rewritten to
  // name the same files from there. Objects without data paths ignore it.
  virtual void Moved(const std::filesystem::path& newDir) { (void)newDir; }
};

}  // namespace mapdoc
