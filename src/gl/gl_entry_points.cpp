#include "gl/gl_entry_points.h"

#include <GL/glew.h>

#include <cstring>

#include "platform/gl_functions.h"

namespace {

class Loader {
public:
    template <typename Function>
    bool load(Function& slot, const char* name) {
        slot = reinterpret_cast<Function>(platform::glFunctionAddress(name));
        if (!slot) report.missing.push_back(name);
        return slot != nullptr;
    }
    GLEntryPointReport report;
};

void setFlag(GLboolean& flag, bool on) { flag = on ? GL_TRUE : GL_FALSE; }

// The variable behind GLEW's flag macro of an extension (GLEW_ARB_occlusion_query reads it).
#define GLEW_FLAG_VARIABLE(extension) __GLEW_##extension

}  // namespace

bool hasGLExtension(const char* extensions, const char* name) {
    const std::size_t length = std::strlen(name);
    if (!extensions || length == 0) return false;
    for (const char* at = std::strstr(extensions, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == extensions || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

GLEntryPointReport loadGLEntryPoints() {
    Loader loader;
    // Every function is asked for, so the report names all that are missing, not just the first.
    bool core = loader.load(glActiveTexture, "glActiveTexture");
    core = loader.load(glClientActiveTexture, "glClientActiveTexture") && core;
    core = loader.load(glMultiTexCoord2f, "glMultiTexCoord2f") && core;
    loader.report.coreFunctions = core;

    // Without a current context glGetString must not be called at all.
    const bool contextCurrent = platform::glFunctionAddress("glGetString") != nullptr;
    const char* extensions =
        contextCurrent ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr;

    bool buffers = hasGLExtension(extensions, "GL_ARB_vertex_buffer_object");
    if (buffers) {
        buffers = loader.load(glGenBuffersARB, "glGenBuffersARB") && buffers;
        buffers = loader.load(glBindBufferARB, "glBindBufferARB") && buffers;
        buffers = loader.load(glBufferDataARB, "glBufferDataARB") && buffers;
        buffers = loader.load(glDeleteBuffersARB, "glDeleteBuffersARB") && buffers;
        buffers = loader.load(glGetBufferParameterivARB, "glGetBufferParameterivARB") && buffers;
    }
    // The OpenGL 1.5 name of the same binding; callers test it for null before they use it.
    glBindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(platform::glFunctionAddress("glBindBuffer"));
    setFlag(GLEW_FLAG_VARIABLE(ARB_vertex_buffer_object), buffers);

    bool queries = hasGLExtension(extensions, "GL_ARB_occlusion_query");
    if (queries) {
        queries = loader.load(glGenQueriesARB, "glGenQueriesARB") && queries;
        queries = loader.load(glDeleteQueriesARB, "glDeleteQueriesARB") && queries;
        queries = loader.load(glBeginQueryARB, "glBeginQueryARB") && queries;
        queries = loader.load(glEndQueryARB, "glEndQueryARB") && queries;
        queries = loader.load(glGetQueryivARB, "glGetQueryivARB") && queries;
        queries = loader.load(glGetQueryObjectuivARB, "glGetQueryObjectuivARB") && queries;
    }
    setFlag(GLEW_FLAG_VARIABLE(ARB_occlusion_query), queries);

    setFlag(GLEW_FLAG_VARIABLE(ATI_texture_env_combine3),
            hasGLExtension(extensions, "GL_ATI_texture_env_combine3"));
    return loader.report;
}
