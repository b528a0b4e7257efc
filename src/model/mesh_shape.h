#pragma once
// What a mesh's triangles say about its shape, worked out once at load: the box around its corners
// and whether it is a closed surface seen from outside, whose back faces can never show while the
// camera stays outside it.

#include <vector>

#include "core/maths.h"
#include "model/model_data.h"

struct MeshShape {
    Vec3 boxMin, boxMax;  // of the corner positions (both 0 without corners)
    // Every edge is met exactly once in each direction, and every connected piece encloses a
    // positive volume with its triangles turning counter-clockwise seen from outside.
    bool closedOutward = false;
};

// The shape of the triangles `corners` make, three corners each. Corners are the same point when
// their positions are equal bit for bit.
MeshShape meshShape(const std::vector<CornerRecord>& corners);
