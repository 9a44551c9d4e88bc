#include "mapdoc/qgis/qgis_store.h"

#include "mapdoc/atomic_file.h"
#include "mapdoc/document_error.h"
#include "mapdoc/file_text.h"
#include "mapdoc/qgis/kept_labels.h"
#include "mapdoc/qgis/zipped_project.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace fs = std::filesystem;

namespace {

constexpr char kOriginalLabels[] = "original_labels";
constexpr char kOverrides[] = "legend_overrides";

std::string layerName(host::ILayer* layer) { return text::toUtf8(layer->Name()); }

// Whether a label as the legend has it is the one the file holds. A file's
// bytes that are not UTF-8 reach the legend as U+FFFD, so they are compared
// as read: a label nobody touched is left as its bytes are.
bool unchanged(const std::string& label, const std::string& inFile) {
  return label == inFile || label == text::toUtf8(text::fromUtf8(inFile));
}

}  // namespace

LabelSpot labelSpot(const std::string& text, const pugi::xml_node& element) {
  LabelSpot spot;
  spot.omitEmpty = std::string_view(element.name()) == "rule";
  if (!element.attribute("label")) {
    spot.attribute = false;
    spot.span.begin = spot.span.end = afterElementName(text, element);
    return spot;
  }
  spot.span = attributeSpan(text, element, "label");
  spot.text = element.attribute("label").value();
  // back over the quote, '=' and the name to the blank before it
  std::size_t at = spot.span.begin - 1;
  while (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\t' && text[at - 1] != '\n' && text[at - 1] != '\r') --at;
  spot.attributeAt = at > 0 ? at - 1 : 0;
  return spot;
}

// One label attribute to replace, insert or take out, and the label it
// then holds.
struct QgisStore::Edit {
  enum class Kind { Value, Insert, Remove };
  LabelSpot* spot;
  std::string label;
  Splice splice;
  Kind kind = Kind::Value;
};

namespace {

constexpr char kLabelAttribute[] = " label=\"";

}  // namespace

QgisStore::QgisStore(fs::path file, FileKind kind, std::string bytes, std::string member, std::string text)
    : file_(fs::absolute(file).lexically_normal()),
      kind_(kind),
      bytes_(std::move(bytes)),
      member_(std::move(member)),
      text_(std::move(text)) {
  keptOnDisk_ = readKeptLabels(keptLabelsFile(file_));
  kept_ = keptOnDisk_;
}

LabelledLayer& QgisStore::find(host::ILayer* layer) {
  for (auto& l : layers_)
    if (l.layer.get() == layer) return l;
  throw DocumentError(file_, "", "the layer \"" + layerName(layer) + "\" is not one of this file's");
}

const LabelledLayer* QgisStore::labelledLayer(host::ILayer* layer) const {
  for (const auto& l : layers_)
    if (l.layer.get() == layer) return &l;
  return nullptr;
}

Json& QgisStore::layerData(host::ILayer* layer) {
  Json& data = kept_[find(layer).key];
  if (!data.is_object()) data = Json::object();
  return data;
}

// The labels the layer's legend shows now, by class; none for a renderer
// without labelled classes.
std::optional<std::vector<std::string>> QgisStore::currentLabels(const LabelledLayer& layer) const {
  auto geo = com::query<host::IGeoFeatureLayer>(layer.layer.get());
  auto renderer = geo ? geo->Renderer() : nullptr;
  if (renderer.get() != layer.renderer.get())
    throw DocumentError(file_, "", "layer \"" + layerName(layer.layer.get()) +
                                       "\": its renderer was replaced; only labels are written into a QGIS file");
  if (auto simple = com::query<host::ISimpleRenderer>(renderer.get())) {
    if (!simple->Label().empty())
      throw DocumentError(file_, "", "layer \"" + layerName(layer.layer.get()) +
                                         "\": QGIS keeps no label for a single-symbol legend; label a categorized "
                                         "or graduated layer instead. Nothing was written");
    return std::nullopt;
  }
  auto classes = com::query<host::IRendererClasses>(renderer.get());
  if (!classes || layer.classes.empty()) return std::nullopt;
  if (classes->ClassCount() != static_cast<int>(layer.classes.size()))
    throw DocumentError(file_, "", "layer \"" + layerName(layer.layer.get()) + "\": its legend no longer has the " +
                                       std::to_string(layer.classes.size()) + " classes it was read with");
  std::vector<std::string> out;
  for (int i = 0; i < classes->ClassCount(); ++i) out.push_back(text::toUtf8(classes->Class(i)));
  return out;
}

std::vector<QgisStore::Edit> QgisStore::edits(Json& kept) {
  std::vector<Edit> out;
  auto replace = [&](LabelSpot& spot, const std::string& label) {
    if (!spot.attribute) {
      out.push_back({&spot, label, {spot.span, kLabelAttribute + escapeAttribute(label, '"') + "\""}, Edit::Kind::Insert});
    } else if (label.empty() && spot.omitEmpty) {
      out.push_back({&spot, label, {{spot.attributeAt, spot.span.end + 1, '"'}, ""}, Edit::Kind::Remove});
    } else {
      out.push_back({&spot, label, {spot.span, escapeAttribute(label, spot.span.quote)}});
    }
  };
  for (auto& layer : layers_) {
    if (const auto labels = currentLabels(layer))
      for (std::size_t i = 0; i < labels->size(); ++i)
        if (!unchanged((*labels)[i], layer.classes[i].text)) replace(layer.classes[i], (*labels)[i]);
    // A legend item's own label for a class is the user's and is never
    // written. Earlier versions replaced it and kept the one replaced until
    // the layer's labels were reset: the reset gives those back.
    if (!kept.contains(layer.key)) continue;
    Json& data = kept[layer.key];
    if (!data.is_object() || !data.contains(kOverrides) || data.contains(kOriginalLabels)) continue;
    const Json& replaced = data[kOverrides];
    for (auto& legendOverride : overrides_) {
      if (legendOverride.layerKey != layer.key || !replaced.is_array()) continue;
      for (const auto& entry : replaced) {
        if (!entry.is_object() || entry.value("legend", Json()) != legendOverride.legend ||
            entry.value("index", Json()) != legendOverride.index || !entry.contains("label") || !entry["label"].is_string())
          continue;
        const auto label = entry["label"].get<std::string>();
        if (!unchanged(label, legendOverride.spot.text)) replace(legendOverride.spot, label);
        break;
      }
    }
    data.erase(kOverrides);
  }
  return out;
}

Json QgisStore::cleaned(const Json& kept) const {
  Json out = Json::object();
  for (const auto& [key, data] : kept.items()) {
    Json entry = data;
    entry.erase("name");
    if (entry.empty()) continue;
    for (const auto& layer : layers_)
      if (layer.key == key) entry["name"] = layerName(layer.layer.get());
    out[key] = std::move(entry);
  }
  return out;
}

void QgisStore::save(MapDocument&, const fs::path& file) {
  // Through a link, the project it links to is the one written, checked and
  // kept labels for.
  fs::path target;
  try {
    target = writeTarget(file);
  } catch (const WriteRefused& e) {
    throw DocumentError(file, "", e.problem());
  }
  target = target.lexically_normal();
  if (fileKind(target) != kind_)
    throw DocumentError(target, "", "a " + describe(kind_) + " is written as one again; give the new file that extension");
  if (relativePaths_ && target.parent_path() != file_.parent_path())
    throw DocumentError(target, "", "the project names its data by paths relative to its folder, so it can only be written "
                                    "into that folder (" + file_.parent_path().string() + ")");
  const bool over = target == file_;
  if (over && currentFileText(file_) != bytes_)
    throw DocumentError(file_, "", "changed on disk since it was read (saved in QGIS?); nothing was written. Run again");

  Json kept = kept_;
  std::vector<Edit> changes;
  std::string text, bytes;
  Json before, after;
  try {
    changes = edits(kept);
    std::vector<Splice> splices;
    for (const auto& c : changes) splices.push_back(c.splice);
    text = applySplices(text_, splices);
    bytes = kind_ == FileKind::ZippedProject ? rezipProject(bytes_, member_, text) : text;
    after = cleaned(kept);
    before = over ? keptOnDisk_ : readKeptLabels(keptLabelsFile(target));
    // Labels to reset to are on disk before the file that needs them, and
    // leave only after it.
    const Json during = keptWhileSaving(before, after);
    if (during != before) writeKeptLabels(keptLabelsFile(target), during);
    writeFileAtomically(target, bytes);
    if (after != during) writeKeptLabels(keptLabelsFile(target), after);
  } catch (const DocumentError&) {
    throw;
  } catch (const std::exception& e) {
    throw DocumentError(target, "", e.what());
  }

  // Every label's place in the new text.
  std::vector<Splice> splices;
  for (const auto& c : changes) splices.push_back(c.splice);
  const ShiftedOffsets shifted(splices);
  auto move = [&](LabelSpot& spot) {
    const auto begin = shifted(spot.span.begin);
    spot.span.end = begin + (spot.span.end - spot.span.begin);
    spot.span.begin = begin;
    if (spot.attribute && spot.omitEmpty) spot.attributeAt = shifted(spot.attributeAt);
  };
  for (auto& layer : layers_)
    for (auto& spot : layer.classes) move(spot);
  for (auto& o : overrides_) move(o.spot);
  for (const auto& c : changes) {
    LabelSpot& spot = *c.spot;
    switch (c.kind) {
      case Edit::Kind::Value: spot.span.end = spot.span.begin + c.splice.text.size(); break;
      case Edit::Kind::Insert: {
        const std::size_t prefix = sizeof kLabelAttribute - 1;
        spot.attribute = true;
        spot.attributeAt = spot.span.begin;
        spot.span = {spot.attributeAt + prefix, spot.attributeAt + c.splice.text.size() - 1, '"'};
        break;
      }
      case Edit::Kind::Remove:
        spot.attribute = false;
        spot.span.end = spot.span.begin;
        break;
    }
    spot.text = c.label;
  }
  text_ = std::move(text);
  bytes_ = std::move(bytes);
  file_ = target;
  kept_ = after;
  keptOnDisk_ = after;
}

}  // namespace mapdoc::qgis
