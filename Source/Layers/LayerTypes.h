// The standard layer types every script can name, in their registration order.
#pragma once

#include "Layers/CLayer.h"

#include <vector>

void AddStandardLayerTypes(std::vector<LayerTypeEntry>& registry);
