#pragma once
// Placed models: meshes of the modelling toolkit turned into BSM nodes with pivots, materials,
// helpers and the collision mesh, and the step that writes every Models/<name>.BSM of the room.
//
//   NodeMaterial        diffuse / reflection / illumination texture names and scroll speeds
//   ModelBuilder        adds nodes (Hull first), helpers and a CollMesh box; builds the BsmModel
//   PlacedModel         one model with the name its scene helper uses
//   buildPlacedModels   every model the room places (fir, railroad, Clock, candles, ...)
//   makeRoomModels      writes their BSM files and textures into the media tree

#include <string>
#include <vector>

#include "mediagen/media_tree.h"
#include "mediagen/mesh.h"
#include "model/bsm_file.h"

namespace mediagen {

struct NodeMaterial {
    std::string diffuse = "tex_default.tga";
    std::string reflection;    // empty: no reflection layer
    std::string illumination;  // empty: no illumination layer
    float scrollU = 0, scrollV = 0;
    // For the light-map baker only: the share of light the surface lets through (a lampshade), tinted
    // by its diffuse picture. The model file has no place for it.
    float translucency = 0;
};

class ModelBuilder {
public:
    // Adds a node; the mesh's normals are computed (crease 40°) when it has none. Positions are model
    // space; the pivot is where the node turns.
    void addNode(const std::string& name, const std::string& parent, modelling::Vec3 pivot,
                 modelling::Mesh mesh, const NodeMaterial& material);
    // An emitter helper (kind 2) on `parent` (Hull unless said otherwise).
    void addHelper(const std::string& name, modelling::Vec3 position, const std::string& parent = "Hull");
    // A CollMesh root: the box round every node added so far (or the given box).
    void addCollisionBox();
    void addCollisionBox(modelling::Vec3 min, modelling::Vec3 max);

    const BsmModel& model() const { return model_; }
    // The translucency of model().meshes[mesh] (0 for a mesh out of range).
    float translucency(std::size_t mesh) const;
    // Triangles of every drawn node (CollMesh left out).
    std::size_t drawnTriangles() const;
    // The box round every drawn node.
    void drawnBounds(modelling::Vec3& min, modelling::Vec3& max) const;

private:
    BsmModel model_;
    std::vector<float> translucency_;  // one per mesh
};

// Converts a toolkit mesh (normals computed if missing) into a BSM mesh record.
BsmMesh toBsmMesh(modelling::Mesh mesh, const std::string& nodeName, const std::string& parent,
                  modelling::Vec3 pivot, const NodeMaterial& material);

struct PlacedModel {
    std::string name;  // Models/<name>.BSM, helper "instance <name>"
    ModelBuilder builder;
};

// Every placed model of the room, in a fixed order; `quality` 0 (fast) or 1 scales tessellation.
std::vector<PlacedModel> buildPlacedModels(int quality = 1);

// Writes Models/<name>.BSM for every model and the textures they name.
void makeRoomModels(MediaTree& tree, const std::vector<PlacedModel>& models);

}  // namespace mediagen
