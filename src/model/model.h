#pragma once
// The models subsystem: static models (.BSM) in a fixed table, the shared vertex pool they are
// drawn from, placed instances with their node hierarchy, drawing with materials, and the skinned
// animated models (.BSA).

#include "model/animated_model.h"  // AnimatedModel, loadAnimatedModel, update/drawAnimatedModel
#include "model/bsa_file.h"        // parseBsaMesh, parseBsaAnimation
#include "model/bsm_file.h"        // parseBsm
#include "model/byte_reader.h"     // ByteReader: bounds-checked reads, the counted string
#include "model/maths.h"           // Vec3, Quat, Mat4: Hamilton product, rotationMatrix, slerp
#include "model/media_sources.h"   // MediaSources: readFile, getTexture
#include "model/model_data.h"      // Model, ModelMesh, ModelMaterial, ModelHelper, CornerRecord
#include "model/model_instance.h"  // ModelInstance, setNodeAngleX/Y/Z, updateInstance, EmitterHook
#include "model/model_manager.h"   // ModelManager: loadModel, findModel, createInstance, releaseAll
#include "model/model_render.h"    // renderInstance
#include "model/models_process.h"  // theVertexPool, theModelManager: the process-wide instances
#include "model/vertex_pool.h"     // PoolVertex, SharedVertexPool: append, uploadPool, bindPool
