#pragma once
// The whole host object model.
#include "host/application.h"
#include "host/classes.h"
#include "host/extension.h"
#include "host/layer.h"
#include "host/layout.h"
#include "host/renderer.h"
#include "host/statistics.h"
#include "host/table.h"
#include "host/types.h"
