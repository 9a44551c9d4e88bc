#pragma once
// Minimal host renderers and a layer for the labeler's write and restore
// rules where a map document can't stage the case (a failing host call, a
// bivariate renderer over an unsupported main renderer).
#include <map>
#include <optional>
#include <vector>

#include "host/layer.h"
#include "host/renderer.h"
#include "platform/com/object.h"

namespace fake {

using host::Text;

// Throws on the n-th label write (from 1) when failOnWrite is set.
struct WriteFailure {
  std::optional<int> failOnWrite;
  int writes = 0;
  void count() {
    ++writes;
    if (failOnWrite && writes == *failOnWrite) throw host::HostError(com::E_FAIL, u"The renderer is read-only");
  }
};

class SimpleRenderer : public com::Object<host::IFeatureRenderer, host::ISimpleRenderer> {
 public:
  Text label = u"All features";
  WriteFailure failure;
  Text RendererType() override { return u"simple"; }
  Text Label() override { return label; }
  void Label(const Text& l) override {
    failure.count();
    label = l;
  }
  host::Symbol Symbol() override { return {}; }
};

class ClassBreaksRenderer
    : public com::Object<host::IFeatureRenderer, host::IClassBreaksRenderer, host::IRendererClasses> {
 public:
  std::vector<Text> labels;
  WriteFailure failure;
  Text RendererType() override { return u"class_breaks"; }
  Text Field() override { return u"AREA"; }
  Text NormField() override { return {}; }
  double MinimumBreak() override { return 0; }
  int BreakCount() override { return static_cast<int>(labels.size()); }
  double Break(int i) override { return 10.0 * (i + 1); }
  Text Label(int i) override { return labels.at(static_cast<std::size_t>(i)); }
  void Label(int i, const Text& l) override {
    failure.count();
    labels.at(static_cast<std::size_t>(i)) = l;
  }
  host::Symbol Symbol(int) override { return {}; }
  int ClassCount() override { return BreakCount(); }
  Text Class(int i) override { return Label(i); }
  Text WhereClause(int, host::ITable*) override { return {}; }
};

class UniqueValueRenderer
    : public com::Object<host::IFeatureRenderer, host::IUniqueValueRenderer, host::IRendererClasses> {
 public:
  std::vector<Text> values;
  std::map<Text, Text> labels;
  bool useDefault = false;
  Text defaultLabel = u"<all other values>";
  WriteFailure failure;
  Text RendererType() override { return u"unique_values"; }
  int FieldCount() override { return 1; }
  Text Field(int) override { return u"USE"; }
  Text FieldDelimiter() override { return u", "; }
  int ValueCount() override { return static_cast<int>(values.size()); }
  Text Value(int i) override { return values.at(static_cast<std::size_t>(i)); }
  Text Label(const Text& v) override { return labels.at(v); }
  void Label(const Text& v, const Text& l) override {
    failure.count();
    labels.at(v) = l;
  }
  host::Symbol Symbol(const Text&) override { return {}; }
  bool UseDefaultSymbol() override { return useDefault; }
  Text DefaultLabel() override { return defaultLabel; }
  void DefaultLabel(const Text& l) override {
    failure.count();
    defaultLabel = l;
  }
  host::Symbol DefaultSymbol() override { return {}; }
  int ClassCount() override { return ValueCount() + (useDefault ? 1 : 0); }
  Text Class(int i) override {
    return i < ValueCount() ? labels.at(values.at(static_cast<std::size_t>(i))) : defaultLabel;
  }
  Text WhereClause(int, host::ITable*) override { return {}; }
};

// A kind of renderer the labeler does not label by class.
class DotDensityRenderer : public com::Object<host::IFeatureRenderer, host::IDotDensityRenderer> {
 public:
  Text RendererType() override { return u"dot_density"; }
  double DotValue() override { return 100; }
};

class BivariateRenderer : public com::Object<host::IFeatureRenderer, host::IBivariateRenderer> {
 public:
  host::Ref<host::IFeatureRenderer> main;
  int legendBuilds = 0;
  Text RendererType() override { return u"bivariate"; }
  host::Ref<host::IFeatureRenderer> MainRenderer() override { return main; }
  host::Ref<host::IFeatureRenderer> VariationRenderer() override { return nullptr; }
  void CreateLegend() override { ++legendBuilds; }
};

class Layer : public com::Object<host::ILayer, host::IGeoFeatureLayer> {
 public:
  host::Ref<host::IFeatureRenderer> renderer;
  Text Name() override { return u"Fake"; }
  void Name(const Text&) override {}
  bool Visible() override { return true; }
  void Visible(bool) override {}
  bool Valid() override { return true; }
  host::Ref<host::IFeatureRenderer> Renderer() override { return renderer; }
  void Renderer(host::IFeatureRenderer* r) override { renderer = host::Ref<host::IFeatureRenderer>(r); }
};

// A layer that is not drawn with a renderer (a raster or group layer).
class PlainLayer : public com::Object<host::ILayer> {
 public:
  Text Name() override { return u"Plain"; }
  void Name(const Text&) override {}
  bool Visible() override { return true; }
  void Visible(bool) override {}
  bool Valid() override { return true; }
};

template <class R>
host::Ref<Layer> layerWith(const host::Ref<R>& renderer) {
  auto layer = com::make<Layer>();
  layer->renderer = renderer;
  return layer;
}

}  // namespace fake
