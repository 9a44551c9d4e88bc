#pragma once
// The fields of the labeler object, under the names every engine operation
// uses. The private operations (parser, label makers) work on this record;
// the object's interface hands parts of it out.
#include <cstdint>
#include <string>

#include "engine/expression_pieces.h"
#include "engine/string_collection.h"

namespace engine {

struct LabelerFields {
  std::u16string Message;
  bool LabelsValid = true;
  ExpressionPieceList ExpressionPieces;
  com::ComPtr<StringCollection> Labels;          // created on first use
  com::ComPtr<StringCollection> OriginalLabels;  // created on first use
  bool SkippedLegendItems = false;
  com::Variant SampleLabel = std::u16string();
  bool ApplyDefinitionQuery = true;
  bool ApplySelectionSet = false;
  bool ShowMessages = false;
  bool UpdateAllOtherValues = true;
  bool TableIsJoined = false;
  std::u16string DatasetName;
  std::u16string DatasetCategory;
  std::u16string FieldPrefix = u"\"";
  std::u16string FieldSuffix = u"\"";
  std::u16string JoinedFieldPrefix;
  std::u16string JoinedFieldSuffix;
  std::int16_t WrapTextIfLongerThan = 0;
  // Summarise each class with a query of its own instead of one walk over
  // the layer (the way for renderers that cannot classify records, and the
  // reference the walk is tested against). Not part of the COM interface.
  bool PerClassQueries = false;

  // The collections, brought into being empty when first needed.
  StringCollection& labels();
  StringCollection& originalLabels();
};

}  // namespace engine
