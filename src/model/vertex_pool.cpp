#include "model/vertex_pool.h"

#include <GL/glew.h>

#include <cstdint>

SharedVertexPool::~SharedVertexPool() { releaseGL(); }

std::uint32_t SharedVertexPool::append(std::size_t count) {
    const std::uint32_t first = std::uint32_t(vertices_.size());
    vertices_.resize(vertices_.size() + count, PoolVertex{});
    return first;
}

void SharedVertexPool::setPointers(const void* base) {
    const auto* bytes = static_cast<const std::uint8_t*>(base);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, GLsizei(kPoolStride), bytes);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, GLsizei(kPoolStride), bytes + kPoolNormalOffset);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), bytes + kPoolUv0Offset);
}

void SharedVertexPool::uploadPool() {
    if (!bufferObjectsAvailable_) return;
    releaseGL();
    GLuint name = 0;
    glGenBuffersARB(1, &name);
    buffer_ = name;
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer_);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(vertices_.size() * sizeof(PoolVertex)),
                    vertices_.data(), GL_STATIC_DRAW_ARB);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void SharedVertexPool::releaseClientCopy() {
    if (buffer_ != 0) std::vector<PoolVertex>().swap(vertices_);
}

void SharedVertexPool::bindPool() {
    if (buffer_ != 0) {
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer_);
        setPointers(nullptr);
        bufferReleased_ = false;
    } else {
        setPointers(vertices_.data());
    }
}

void SharedVertexPool::unbindPool() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (buffer_ != 0) glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    bufferReleased_ = true;
}

void SharedVertexPool::releaseBufferForClientArrays() {
    if (buffer_ != 0 && !bufferReleased_) {
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        bufferReleased_ = true;
    }
}

void SharedVertexPool::releaseGL() {
    if (buffer_ == 0) return;
    GLuint name = buffer_;
    glDeleteBuffersARB(1, &name);
    buffer_ = 0;
    bufferReleased_ = true;
}
