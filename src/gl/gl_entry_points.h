#pragma once
// The GL entry points and extension flags the renderer uses beyond OpenGL 1.1, loaded from the window
// system that made the current context (EGL or GLX through SDL, GLX for a framework's window, WGL on
// Windows) into the names GLEW's header declares. Drawing code goes on calling glGenBuffersARB and
// testing GLEW_ARB_occlusion_query; nothing asks GLX about a context it did not make.
//
//   loadGLEntryPoints   fills the functions and the flags for the current context
//   hasGLExtension      one name in a GL extension list (pure, for tests)

#include <string>
#include <vector>

struct GLEntryPointReport {
    // The OpenGL 1.3 functions every frame calls (multitexturing) were all found.
    bool coreFunctions = false;
    // Entry points that were asked for and not found, in the order they were asked for.
    std::vector<std::string> missing;
};

// Loads every entry point for the context current on this thread and sets the flags of
// GL_ARB_vertex_buffer_object, GL_ARB_occlusion_query and GL_ATI_texture_env_combine3: a flag is on
// when the context lists the extension and every function of it was found. Without a current
// context nothing is found and every flag is off. Safe to call again for another context.
GLEntryPointReport loadGLEntryPoints();

// Whether the space-separated `extensions` (as glGetString(GL_EXTENSIONS) gives them; null counts as
// empty) hold `name` as a whole word.
bool hasGLExtension(const char* extensions, const char* name);
