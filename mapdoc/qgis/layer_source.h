#pragma once
// A QGIS layer's data source (the provider and its <datasource> text) as
// the source OGR opens, and the layer's subset string, which is its
// definition query.
#include <string>

#include "mapdoc/data/open.h"

namespace mapdoc::qgis {

struct LayerSource {
  SourceSpec source;
  std::string subset;   // "" when the layer shows every record
  std::string problem;  // why this program cannot read the source ("" when it can)
  bool relativePath = false;  // a file path that counts from the project's folder
};

// provider "ogr": path[|layername=NAME][|layerid=N][|option:KEY=VALUE...]
// [|subset=CLAUSE] (the subset runs to the end; the layer number and the
// open options stay with the path); provider "postgres": the connection's
// key='value' pairs, table="schema"."table" (geom) and sql=CLAUSE. Other
// providers get a problem that names them. A subset that is a whole SELECT
// statement (isSelectStatement) is the layer's data rather than a filter:
// the reader makes it the source's statement.
LayerSource layerSource(const std::string& provider, const std::string& datasource);

}  // namespace mapdoc::qgis
