#include "formats/geometry.h"

namespace formats {

Transform4x3 translationTransform(float x, float y, float z) {
    return Transform4x3{1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z};
}

}  // namespace formats
