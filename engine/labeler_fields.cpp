#include "engine/labeler_fields.h"

namespace engine {

StringCollection& LabelerFields::labels() {
  if (!Labels) Labels = com::make<StringCollection>();
  return *Labels;
}

StringCollection& LabelerFields::originalLabels() {
  if (!OriginalLabels) OriginalLabels = com::make<StringCollection>();
  return *OriginalLabels;
}

}  // namespace engine
