// The entry points and extension flags come from the context's own window system: under Xvfb with
// Mesa every one the renderer uses is found and works, and without a context nothing is claimed.

#include "gl/gl_entry_points.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "support/test_gl_context.h"

namespace {

TEST(GLEntryPoints, AreLoadedFromTheCurrentContextAndWork) {
    platform::TestGLContext gl;
    ASSERT_TRUE(gl.create(32, 32)) << gl.error();
    const GLEntryPointReport report = loadGLEntryPoints();
    EXPECT_TRUE(report.coreFunctions);
    EXPECT_TRUE(report.missing.empty()) << report.missing.front();
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    ASSERT_TRUE(GLEW_ARB_occlusion_query);

    // A buffer made, bound and filled through the loaded functions.
    GLuint buffer = 0;
    glGenBuffersARB(1, &buffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    const float data[6] = {};
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, sizeof data, data, GL_STATIC_DRAW_ARB);
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(GLuint(bound), buffer);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glDeleteBuffersARB(1, &buffer);

    // A query around a quad drawn over a 32 x 32 viewport counts its samples (the window itself may
    // be larger: window managers have a least size).
    glViewport(0, 0, 32, 32);
    GLuint query = 0;
    glGenQueriesARB(1, &query);
    glBeginQueryARB(GL_SAMPLES_PASSED_ARB, query);
    glRectf(-1, -1, 1, 1);
    glEndQueryARB(GL_SAMPLES_PASSED_ARB);
    GLuint samples = 0;
    glGetQueryObjectuivARB(query, GL_QUERY_RESULT_ARB, &samples);
    EXPECT_EQ(samples, 32u * 32u);
    glDeleteQueriesARB(1, &query);

    glActiveTexture(GL_TEXTURE1);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE1);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    gl.destroy();
    const GLEntryPointReport none = loadGLEntryPoints();
    EXPECT_FALSE(none.coreFunctions);
    EXPECT_FALSE(GLEW_ARB_vertex_buffer_object);
    EXPECT_FALSE(GLEW_ARB_occlusion_query);
}

TEST(GLEntryPoints, AnExtensionCountsOnlyAsAWholeWord) {
    const struct {
        const char* list;
        bool listed;
    } cases[] = {
        {"GL_ARB_occlusion_query", true},
        {"GL_A GL_ARB_occlusion_query GL_B", true},
        {"GL_A GL_ARB_occlusion_query", true},
        {"GL_ARB_occlusion_query2", false},
        {"GL_ARB_occlusion_query2 GL_ARB_occlusion_query", true},
        {"XGL_ARB_occlusion_query", false},
        {"", false},
        {nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hasGLExtension(c.list, "GL_ARB_occlusion_query"), c.listed) << (c.list ? c.list : "null");
}

}  // namespace
