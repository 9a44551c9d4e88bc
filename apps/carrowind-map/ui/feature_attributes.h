#pragma once
// One feature's attribute values as the identify window lists them: every
// field of the layer's display table (joined fields included) but the
// shape, each value as text in the user's locale.
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/host.h"

namespace carrowind::map {

struct FeatureAttributes {
  QString layer;
  std::int32_t oid = -1;
  std::vector<std::pair<QString, QString>> values;  // field, value
};

// Throws host::HostError when the record cannot be read.
FeatureAttributes featureAttributes(host::ILayer* layer, std::int32_t oid);

}  // namespace carrowind::map
