#pragma once
// How many of a layer's records a join matched, counted while the joined
// table is built (it reads every record once then), so that a join whose
// keys never meet is told rather than left to give nulls.
#include <cstdint>
#include <string>

#include "host/host.h"

namespace mapdoc::data {

struct JoinCount {
  std::int64_t records = 0;  // the layer's records, all of them
  std::int64_t matched = 0;  // of those, the records that took a joined record
  std::string layerTable;    // "landuse"
  std::string layerKey;      // "landuse.OWNER_ID"
  std::string layerKeyType;  // "integer", "text", ... (keyTypeName)
  std::string joinKey;       // "owners.OWNER_ID"
  std::string joinKeyType;
};

// Offered by a joined table.
struct IJoinCount : host::IUnknown {
  COM_INTERFACE("934C6734-69BF-4F7B-9466-FFE08C77D3CC")
  virtual JoinCount Count() = 0;
};

}  // namespace mapdoc::data
