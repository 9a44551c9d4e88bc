#include "mapdoc/data/clause_fields.h"

#include <cpl_error.h>

#include <algorithm>

namespace mapdoc::data {

LoadedFields fieldsOfClause(OGRFeatureDefn& defn, const std::string& clause) {
  const auto count = static_cast<std::size_t>(defn.GetFieldCount());
  if (clause.empty()) return LoadedFields::none(count);
  OGRFeatureQuery query;
  // Parsing here is only a probe: its error must not reach the caller.
  CPLErrorStateBackuper keep;
  if (query.Compile(&defn, clause.c_str(), TRUE, nullptr) != OGRERR_NONE) return LoadedFields::all(count);
  LoadedFields need = LoadedFields::none(count);
  char** used = query.GetUsedFields();
  for (char** p = used; p && *p; ++p) {
    const int index = defn.GetFieldIndex(*p);
    if (index >= 0) {
      need.fields[static_cast<std::size_t>(index)] = true;
    } else if (EQUALN(*p, "OGR_GEOM", 8) || defn.GetGeomFieldIndex(*p) >= 0) {
      need.geometry = true;
    } else if (!EQUAL(*p, "FID")) {
      need = LoadedFields::all(count);  // a name we cannot place: read everything
      break;
    }
  }
  CSLDestroy(used);
  return need;
}

}  // namespace mapdoc::data
