#include "engine/label_writer.h"

#include "engine/class_summaries.h"
#include "engine/text_compare.h"
#include "host/renderer.h"

namespace engine {
namespace {

enum class Direction { Write, Restore };

struct Pass {
  LabelerFields& fields;
  Direction direction;
  WriteStep& step;

  StringCollection& source() { return direction == Direction::Write ? fields.labels() : fields.originalLabels(); }
  bool capturing() { return direction == Direction::Write && fields.originalLabels().Count() == 0; }
  bool skip(const std::u16string& label) { return direction == Direction::Write && isSkippedMarker(label); }

  void simple(host::ISimpleRenderer* r) {
    step = WriteStep::SimpleCapture;
    if (capturing()) fields.originalLabels().Add(r->Label());
    step = WriteStep::SimpleWrite;
    r->Label(source().Item(1));  // written as it stands, "$$SKIPPED" included
  }

  void unique(const host::Ref<host::IUniqueValueRenderer>& r) {
    auto classes = require<host::IRendererClasses>(r);
    step = WriteStep::UniqueCapture;
    const int count = classes->ClassCount();
    if (capturing()) {
      for (int i = 0; i < count; ++i) fields.originalLabels().Add(classes->Class(i));
    }
    const bool useDefault = r->UseDefaultSymbol();
    for (int i = 0; i < count; ++i) {
      if (useDefault && i == count - 1) {
        step = WriteStep::UniqueDefaultLabel;
        const std::u16string label = source().Item(i + 1);
        // Restoring always puts the default class's label back.
        if (direction == Direction::Restore || (fields.UpdateAllOtherValues && !skip(label))) r->DefaultLabel(label);
      } else {
        step = WriteStep::UniqueValueLabel;
        const std::u16string label = source().Item(i + 1);
        const host::Text value = r->Value(i);
        if (!skip(label)) r->Label(value, label);
      }
    }
  }

  void breaks(host::IClassBreaksRenderer* r) {
    step = WriteStep::BreaksCapture;
    const int count = r->BreakCount();
    if (capturing()) {
      for (int i = 0; i < count; ++i) fields.originalLabels().Add(r->Label(i));
    }
    step = WriteStep::BreaksWrite;
    for (int i = 0; i < count; ++i) {
      const std::u16string label = source().Item(i + 1);
      if (!skip(label)) r->Label(i, label);
    }
  }

  void run(host::ILayer* layer) {
    step = WriteStep::ReadRenderer;
    if (!layer) objectNotSet();
    auto geo = require<host::IGeoFeatureLayer>(host::Ref<host::ILayer>(layer));
    host::Ref<host::IFeatureRenderer> renderer = geo->Renderer();
    if (auto s = renderer.as<host::ISimpleRenderer>()) {
      simple(s.get());
    } else if (auto u = renderer.as<host::IUniqueValueRenderer>()) {
      unique(u);
    } else if (auto b = renderer.as<host::IClassBreaksRenderer>()) {
      breaks(b.get());
    } else if (auto bi = renderer.as<host::IBivariateRenderer>()) {
      step = WriteStep::BivariateMain;
      host::Ref<host::IFeatureRenderer> main = bi->MainRenderer();
      if (auto mu = main.as<host::IUniqueValueRenderer>()) {
        unique(mu);
      } else if (auto mb = main.as<host::IClassBreaksRenderer>()) {
        breaks(mb.get());
      }
      step = WriteStep::BivariateLegend;
      bi->CreateLegend();
    }
    // Any other kind of renderer is left alone.
  }
};

}  // namespace

bool isSkippedMarker(std::u16string_view label) { return equalsNoCase(label, u"$$SKIPPED"); }

void writeLabels(LabelerFields& fields, host::ILayer* layer, WriteStep& step) {
  Pass{fields, Direction::Write, step}.run(layer);
}

void restoreLabels(LabelerFields& fields, host::ILayer* layer) {
  WriteStep step = WriteStep::ReadRenderer;
  Pass{fields, Direction::Restore, step}.run(layer);
}

}  // namespace engine
