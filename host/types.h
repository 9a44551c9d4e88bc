#pragma once
// Basic vocabulary of the host object model. Every host call that fails
// throws HostError carrying the host's description; callers trap it where
// their operation says so. Host objects are reference counted; a caller
// borrows them for one call and does not keep them.
#include <cstdint>
#include <string>

#include "platform/com/error.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace host {

using Text = std::u16string;
using Value = com::Variant;
using HostError = com::Error;
using com::IUnknown;
template <class T>
using Ref = com::ComPtr<T>;

// Field type codes; 0 to 8 are the ones the labeler distinguishes.
enum FieldType : int {
  FieldTypeSmallInteger = 0,
  FieldTypeInteger = 1,
  FieldTypeSingle = 2,
  FieldTypeDouble = 3,
  FieldTypeString = 4,
  FieldTypeDate = 5,
  FieldTypeOID = 6,
  FieldTypeGeometry = 7,
  FieldTypeBlob = 8,
  FieldTypeRaster = 9,
  FieldTypeGUID = 10,
  FieldTypeGlobalID = 11,
  FieldTypeXML = 12,
  FieldTypeOther = 13,  // lists and anything else a data source may hold
};

// Whether values of the type are numbers (object IDs included).
constexpr bool isNumericFieldType(int type) { return type <= FieldTypeDouble || type == FieldTypeOID; }

}  // namespace host
