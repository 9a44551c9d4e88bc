#pragma once
// The host's component categories: at start-up the map application creates
// the extensions, and offers the commands and command bars, whose classes
// are entered in these.
#include "platform/com/guid.h"

namespace host {

inline const com::CLSID CATID_MxExtensions = com::Guid::fromString("{B56A7C45-83D4-11D2-A2E9-080009B6F22B}");
inline const com::CLSID CATID_MxCommands = com::Guid::fromString("{B56A7C42-83D4-11D2-A2E9-080009B6F22B}");
inline const com::CLSID CATID_MxCommandBars = com::Guid::fromString("{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}");

inline constexpr char kMxExtensionsName[] = "ESRI Mx Extensions";
inline constexpr char kMxCommandsName[] = "ESRI Mx Commands";
inline constexpr char kMxCommandBarsName[] = "ESRI Mx CommandBars";

}  // namespace host
