#include <GL/glew.h>

#include "scene/scene_internal.h"

namespace {

// The GL has this many light slots; lights past them in an object's list have no effect.
int lightSlotLimit() {
    GLint slots = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &slots);
    return slots > 0 ? slots : 8;
}

bool insideGrownBox(const SceneObject& object, const SceneLight& light) {
    const float grow = 2.0f * light.range;
    const float p[3] = {light.position[0], light.position[1], light.position[2]};
    const float lo[3] = {object.boxMin.x, object.boxMin.y, object.boxMin.z};
    const float hi[3] = {object.boxMax.x, object.boxMax.y, object.boxMax.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (!(lo[axis] - grow < p[axis] && p[axis] < hi[axis] + grow)) return false;
    }
    return true;
}

}  // namespace

void assignLights(Scene& scene) {
    for (SceneObject& object : scene.objects) {
        object.lights.clear();
        if (object.unlit) continue;
        for (std::size_t i = 0; i < scene.lights.size(); ++i) {
            const SceneLight& light = scene.lights[i];
            if (object.kind == SceneObjectKind::RoomMesh && insideGrownBox(object, light)) {
                object.lights.push_back(int(i));
                continue;
            }
            for (const std::string& name : light.includeNames) {
                if (name == object.name) object.lights.push_back(int(i));
            }
        }
    }
}

void beginObjectLights(const Scene& scene, const SceneObject& object) {
    if (object.unlit) {
        glDisable(GL_LIGHTING);
        return;
    }
    const int slots = object.lights.empty() ? 0 : lightSlotLimit();
    const GLfloat materialSpecular[4] = {0.21f, 0.21f, 0.21f, 1.0f};
    for (std::size_t i = 0; i < object.lights.size() && int(i) < slots; ++i) {
        const SceneLight& light = scene.lights[std::size_t(object.lights[i])];
        const GLenum slot = GLenum(GL_LIGHT0 + i);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
        glLightfv(slot, GL_AMBIENT, light.ambient.data());
        glLightfv(slot, GL_DIFFUSE, light.diffuse.data());
        glLightfv(slot, GL_SPECULAR, light.specular.data());
        glLightfv(slot, GL_POSITION, light.position.data());
        glLightf(slot, GL_QUADRATIC_ATTENUATION, light.quadraticAttenuation);
        glEnable(slot);
    }
    glEnable(GL_LIGHTING);
}

void endObjectLights(const Scene& scene, const SceneObject& object) {
    (void)scene;
    if (object.unlit) return;
    const int slots = object.lights.empty() ? 0 : lightSlotLimit();
    for (std::size_t i = 0; i < object.lights.size() && int(i) < slots; ++i) glDisable(GLenum(GL_LIGHT0 + i));
    glDisable(GL_LIGHTING);
}
