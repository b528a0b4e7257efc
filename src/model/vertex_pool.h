#pragma once
// The shared vertex pool: one growable array of 40-byte vertices into which every model mesh and the
// room append their triangle corners, and its GL side (one buffer object, or client memory when the
// GL has no buffer objects).
//
// Loading only appends; nothing is removed while the program runs. The pool is uploaded once after
// everything is loaded; vertices appended later are not in the buffer.

#include <cstddef>
#include <cstdint>
#include <vector>

// One vertex as the GL reads it: stride 40 bytes.
struct PoolVertex {
    float position[3];
    float normal[3];
    float uv0[2];  // diffuse coordinates
    float uv1[2];  // second set: the room's light-map coordinates; models leave them 0, 0
};
static_assert(sizeof(PoolVertex) == 40, "the GL binding assumes a 40-byte vertex");

// Byte offsets of the bound attributes inside a PoolVertex.
constexpr std::size_t kPoolStride = 40;
constexpr std::size_t kPoolNormalOffset = 12;
constexpr std::size_t kPoolUv0Offset = 24;
constexpr std::size_t kPoolUv1Offset = 32;

class SharedVertexPool {
public:
    SharedVertexPool() = default;
    SharedVertexPool(const SharedVertexPool&) = delete;
    SharedVertexPool& operator=(const SharedVertexPool&) = delete;
    // Deletes a buffer still held; the GL context must then still be current (call releaseGL at
    // shutdown instead, while it is).
    ~SharedVertexPool();

    // Grows the pool by `count` zeroed vertices and returns the index of the first one.
    std::uint32_t append(std::size_t count);
    std::size_t size() const { return vertices_.size(); }
    PoolVertex& operator[](std::size_t index) { return vertices_[index]; }
    const PoolVertex& operator[](std::size_t index) const { return vertices_[index]; }
    const PoolVertex* data() const { return vertices_.data(); }

    // Fixed at start-up from the GL_ARB_vertex_buffer_object probe. Without buffer objects (or
    // before uploadPool) the pool is drawn from client memory.
    void setBufferObjectsAvailable(bool available) { bufferObjectsAvailable_ = available; }
    bool bufferMode() const { return buffer_ != 0; }
    unsigned buffer() const { return buffer_; }

    // Copies the whole pool into one new GL buffer object (static draw) and binds buffer 0 again,
    // the arrays left as they were. Does nothing without buffer objects. Calling it again replaces
    // the earlier buffer. Needs a current GL context.
    void uploadPool();
    // Enables the vertex, normal and texture-coordinate arrays over the pool (positions, normals,
    // uv0; stride 40), from the buffer in buffer mode (and clears bufferReleased), else from memory.
    void bindPool();
    // Disables the three arrays; in buffer mode also binds buffer 0 (and sets bufferReleased).
    void unbindPool();
    // For client-memory drawing between bindPool and unbindPool (the animated models): in buffer
    // mode, binds buffer 0 once per pass, i.e. when bufferReleased is clear, and sets it. The flag
    // speaks for the context the pass draws in; between passes it is set, as buffer 0 is bound in
    // every context then, so a pass in another context (another monitor's) finds it true too.
    void releaseBufferForClientArrays();
    bool bufferReleased() const { return bufferReleased_; }

    // In buffer mode, frees the copy of the vertices kept in memory, for when nothing will be
    // appended, read or uploaded again (Run mode once loaded): the buffer holds them. Does nothing
    // when drawing from client memory.
    void releaseClientCopy();
    // Deletes the GL buffer (context current). The vertices stay.
    void releaseGL();
    // Drops every vertex (shutdown and tests). The GL buffer is not touched.
    void clear() { vertices_.clear(); }

private:
    void setPointers(const void* base);

    std::vector<PoolVertex> vertices_;
    bool bufferObjectsAvailable_ = false;
    unsigned buffer_ = 0;
    bool bufferReleased_ = true;
};
