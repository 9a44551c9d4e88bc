#pragma once
// A sample map document opened for an engine test: the document, one of its
// layers and that layer's renderer.
#include <filesystem>

#include "host/host.h"
#include "mapdoc/document.h"
#include "tests/common/scratch_dir.h"

namespace engine_test {

using test_support::kExamples;

struct Sample {
  host::Ref<mapdoc::MapDocument> doc;
  host::Ref<host::ILayer> layer;
  host::Ref<host::IFeatureRenderer> renderer;
};

// A file of examples/ (or any absolute path); the first layer unless named.
inline Sample open(const std::filesystem::path& file, const host::Text& layerName = {}) {
  Sample s;
  s.doc = mapdoc::MapDocument::open(file.is_absolute() ? file : kExamples / file);
  s.layer = layerName.empty() ? s.doc->layers().front() : s.doc->layer(layerName);
  if (auto geo = s.layer.as<host::IGeoFeatureLayer>()) s.renderer = geo->Renderer();
  return s;
}

}  // namespace engine_test
