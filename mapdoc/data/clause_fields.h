#pragma once
// What a record must hold for OGR to evaluate a where clause on it.
#include <ogrsf_frmts.h>

#include <string>

#include "mapdoc/data/loaded_fields.h"

namespace mapdoc::data {

// The attributes the clause names, and the geometry when it names one of
// OGR's geometry fields. A clause OGR's own parser cannot read (a database's
// dialect) needs everything, which is always correct.
LoadedFields fieldsOfClause(OGRFeatureDefn& defn, const std::string& clause);

}  // namespace mapdoc::data
