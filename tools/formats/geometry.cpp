#include "formats/geometry.h"

namespace formats {

Transform4x3 translationTransform(float x, float y, float z) {
    return Transform4x3{1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z};
}

void putVec3(ByteWriter& out, const Vec3& v) {
    out.putFloat(v.x);
    out.putFloat(v.y);
    out.putFloat(v.z);
}

void putQuat(ByteWriter& out, const Quat& q) {
    out.putFloat(q.x);
    out.putFloat(q.y);
    out.putFloat(q.z);
    out.putFloat(q.w);
}

void putTriangle(ByteWriter& out, const Triangle& t) {
    for (std::int32_t index : t) out.putFloat(static_cast<float>(index));
}

}  // namespace formats
