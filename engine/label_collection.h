#pragma once
// The ordered collection of strings behind Labels and OriginalLabels: no
// keys, positions from 1, as the labeler's clients address legend classes.
#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"

namespace engine {

struct IStringCollection : com::IDispatch {
  using ComBase = com::IDispatch;
  COM_INTERFACE("5B7C2E4A-8D31-4F0B-9C62-0E4A1D7F3B21")
  virtual std::int32_t Count() = 0;
  // Throws com::Error (DISP_E_BADINDEX, "Subscript out of range") for a
  // position outside 1..Count.
  virtual std::u16string Item(std::int32_t index) = 0;
  virtual void Add(const std::u16string& item) = 0;
  virtual void Remove(std::int32_t index) = 0;
};

}  // namespace engine
