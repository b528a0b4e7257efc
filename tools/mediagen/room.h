#pragma once
// The Christmas room: its meshes (walls, floor, fireplace, windows, the garden outside), where every
// placed model stands, the five camera paths, the light, and the step that writes Models/test.BSS.
//
//   RoomObject        one room mesh with its material and whether it carries a light map
//   Placement         a placed model (helper "instance <model>") with its position and turn
//   RoomLayout        everything above, built by buildRoomLayout
//   cameraPaths       five paths of 300 keys
//   buildScene        the scene file's contents (light maps named, not yet baked)
//   makeRoom          builds, bakes the light maps, writes the scene, models and textures
//
// The layout's parts (the shell, the furnishings, the garden) are built in the files room_parts.h
// lists.

#include <string>
#include <vector>

#include "mediagen/media_tree.h"
#include "mediagen/mesh.h"
#include "mediagen/model.h"
#include "scene/bss_file.h"

namespace mediagen {

struct RoomObject {
    std::string name;
    std::string texture;   // diffuse texture, e.g. "tex_wallpaper.tga"
    modelling::Mesh mesh;  // world space, normals computed
    bool lightMapped = true;
    bool twoSided = false;
    int lightMapCell = 16;  // texels per triangle cell in its light map
};

struct Placement {
    std::string model;  // "fir", "candle", ...
    modelling::Vec3 position;
    float turnDegrees = 0;  // anticlockwise seen from above
};

struct RoomLayout {
    std::vector<RoomObject> objects;  // "room" first
    std::vector<Placement> placements;
    modelling::Vec3 roomMin, roomMax;  // the room's inside
};

RoomLayout buildRoomLayout();

// The quaternion the scene stores for a placement turned `turnDegrees` anticlockwise (the engine
// applies the conjugate of the stored rotation to a placed model).
::Quat placementRotation(float turnDegrees);

// The world box of a placed model's collision mesh.
void placedBox(const Placement& placement, const PlacedModel& model, modelling::Vec3& min,
               modelling::Vec3& max);

// The five camera paths, 300 keys each, rotations as the scene file stores them.
std::vector<BssCamera> cameraPaths();

// The scene file's contents; light-mapped objects name "lm_<object>.tga" and carry light uvs.
BssScene buildScene(const RoomLayout& layout);

struct RoomOptions {
    bool fast = false;  // coarser light maps and models, for development
};

// Everything of the room: model textures and BSM files, room textures, baked light maps, the scene.
void makeRoom(MediaTree& tree, const RoomOptions& options);

}  // namespace mediagen
