// A colour layer value: four plain floats r, g, b, a as written in the script. Packing into bytes
// happens where the colour reaches the device, not here.
#pragma once

#include "Params/CParamValue.h"
#include "Params/VectorParamTraits.h"

#include <glm/vec4.hpp>

class CParamRgba final : public CParamValue<VectorParamTraits<glm::vec4>> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "colour"; }
};
