#pragma once
// The classes of the user-interface library QVXCRWUI that a host creates:
// their class identifiers and programmatic identifiers, shared by the
// library's self-registration and by installation, which enters them in the
// host's component categories.
#include "platform/com/guid.h"

namespace hostui {

inline const com::CLSID CLSID_clsExtension = com::Guid::fromString("{5E0B6A61-3C1D-4E8B-9A57-1F2C3D4E5A01}");
inline const com::CLSID CLSID_clsMainToolBar = com::Guid::fromString("{5E0B6A61-3C1D-4E8B-9A57-1F2C3D4E5A02}");
inline const com::CLSID CLSID_clsQVXCWCommand = com::Guid::fromString("{5E0B6A61-3C1D-4E8B-9A57-1F2C3D4E5A03}");

inline constexpr char kProgID_clsExtension[] = "QVXCRWUI.clsExtension";
inline constexpr char kProgID_clsMainToolBar[] = "QVXCRWUI.clsMainToolBar";
inline constexpr char kProgID_clsQVXCWCommand[] = "QVXCRWUI.clsQVXCWCommand";

}  // namespace hostui
