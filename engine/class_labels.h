#pragma once
// What the makers of many-class renderers share: every class summarised
// over the records its where clause selects (inside the definition query
// when the labeler applies it), then one label composed per class.
#include <functional>
#include <string>

#include "engine/class_summaries.h"
#include "engine/record_classes.h"

namespace engine {

// The where clause of class i; called once per class, in class order, so a
// clause may depend on those of the classes before it. Empty: every record.
using ClassClause = std::function<std::u16string(int classIndex)>;
// The text of a "LEGEND" piece (VALUE or LABEL) for class i.
using ClassLegendText = std::function<std::u16string(int classIndex, const std::u16string& content)>;

// Replaces Labels with one label per class ("$$SKIPPED" for a class without
// records, which also sets SkippedLegendItems). With walk (and unless the
// labeler is told to ask per class) every class is summarised from one walk
// over the layer; otherwise each class is its own query. Either way the
// labels are the same. Throws as the summaries do.
void makeClassLabels(LabelerFields& fields, const RecordSource& source, int classCount, const ClassClause& clause,
                     const ClassLegendText& legend, std::unique_ptr<RecordClasses> walk);

}  // namespace engine
