// A 3-vector layer value (positions, rotations, light directions in 3D layers).
#pragma once

#include "Params/CParamValue.h"
#include "Params/VectorParamTraits.h"

#include <glm/vec3.hpp>

class CParamVector3 final : public CParamValue<VectorParamTraits<glm::vec3>> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "vector3"; }
};
