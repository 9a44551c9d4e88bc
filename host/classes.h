#pragma once
// Class identifiers of the host's creatable objects. Our host registers
// their factories when it starts (mapdoc::registerHostClasses).
#include "platform/com/guid.h"

namespace host {

inline const com::CLSID CLSID_QueryFilter = com::Guid::fromString("B04B152D-C75C-47C1-ABA5-0B77459670B8");
inline const com::CLSID CLSID_DataStatistics = com::Guid::fromString("26EB52A6-CAA4-472F-9880-5D599B595628");
inline const com::CLSID CLSID_UID = com::Guid::fromString("9FAB650F-625C-4104-B235-47F1995E46BD");
inline const com::CLSID CLSID_Envelope = com::Guid::fromString("4731F936-61C4-49E2-8BB9-80ECB5F1F371");

}  // namespace host
