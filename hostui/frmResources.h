#pragma once
// The hidden resource holder of the library: its image list, from which the
// command hands the host its toolbar picture. Created on first use; the
// pictures live as long as the library.
#include <cstdint>
#include <string_view>

namespace hostui {

class frmResources {
 public:
  static frmResources& instance();

  // A handle the host can draw (a QPixmap*), or 0 for an unknown key or
  // when there is no GUI application to draw pictures with.
  std::intptr_t ImageHandle(std::u16string_view key);

 private:
  frmResources() = default;
};

}  // namespace hostui
