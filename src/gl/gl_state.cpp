#include "gl/gl_state.h"

#include <GL/glew.h>

#include <cstdio>

namespace {

constexpr int kLights = 8;
constexpr int kUnits = 2;

// The units the baseline names that this context has (a context without multitexturing has one).
int unitCount() {
    if (!glActiveTexture || !glClientActiveTexture) return 1;
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    return units < kUnits ? units : kUnits;
}

std::string onOff(bool on) { return on ? "on" : "off"; }

std::string enumName(GLint value) {
    switch (value) {
        case GL_LESS:
            return "GL_LESS";
        case GL_EQUAL:
            return "GL_EQUAL";
        case GL_LEQUAL:
            return "GL_LEQUAL";
        case GL_GREATER:
            return "GL_GREATER";
        case GL_ALWAYS:
            return "GL_ALWAYS";
        case GL_BACK:
            return "GL_BACK";
        case GL_FRONT:
            return "GL_FRONT";
        case GL_CCW:
            return "GL_CCW";
        case GL_CW:
            return "GL_CW";
        case GL_ZERO:
            return "GL_ZERO";
        case GL_ONE:
            return "GL_ONE";
        case GL_SRC_ALPHA:
            return "GL_SRC_ALPHA";
        case GL_ONE_MINUS_SRC_ALPHA:
            return "GL_ONE_MINUS_SRC_ALPHA";
        case GL_SRC_COLOR:
            return "GL_SRC_COLOR";
        case GL_MODULATE:
            return "GL_MODULATE";
        case GL_REPLACE:
            return "GL_REPLACE";
        case GL_ADD:
            return "GL_ADD";
        case GL_COMBINE:
            return "GL_COMBINE";
        case GL_MODELVIEW:
            return "GL_MODELVIEW";
        case GL_PROJECTION:
            return "GL_PROJECTION";
        case GL_TEXTURE:
            return "GL_TEXTURE";
        default:
            break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", unsigned(value));
    return text;
}

std::string numbers(const GLfloat* values, int count) {
    std::string text = "(";
    for (int i = 0; i < count; ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%s%g", i ? ", " : "", double(values[i]));
        text += number;
    }
    return text + ")";
}

class Differences {
public:
    std::vector<std::string> lines;

    void compare(const std::string& item, const std::string& found, const std::string& baseline) {
        if (found != baseline) lines.push_back(item + ": " + found + ", baseline " + baseline);
    }
    void enabled(const std::string& item, GLenum capability, bool baseline) {
        compare(item, onOff(glIsEnabled(capability) == GL_TRUE), onOff(baseline));
    }
    void integer(const std::string& item, GLenum name, GLint baseline) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        compare(item, enumName(value), enumName(baseline));
    }
    void identity(const std::string& item, GLenum name) {
        GLfloat matrix[16];
        glGetFloatv(name, matrix);
        bool isIdentity = true;
        for (int i = 0; i < 16; ++i) isIdentity = isIdentity && matrix[i] == (i % 5 == 0 ? 1.0f : 0.0f);
        compare(item, isIdentity ? "identity" : numbers(matrix, 16), "identity");
    }
};

std::string rectangleText(const GLRectangle& r) {
    return std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + " x " +
           std::to_string(r.height);
}

GLRectangle readRectangle(GLenum name) {
    GLint found[4] = {};
    glGetIntegerv(name, found);
    return {found[0], found[1], found[2], found[3]};
}

}  // namespace

void applyGLBaseline() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_LIGHTING);
    for (int light = 0; light < kLights; ++light) glDisable(GLenum(GL_LIGHT0 + light));
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);
    glDisable(GL_FOG);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);

    const int units = unitCount();
    for (int unit = units - 1; unit >= 0; --unit) {
        if (units > 1) {
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
        }
        if (unit == 0) {
            glEnable(GL_TEXTURE_2D);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    if (glBindBuffer) glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (const GLenum stack : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(stack);
        GLint depth = 1;
        glGetIntegerv(stack == GL_PROJECTION ? GL_PROJECTION_STACK_DEPTH : GL_MODELVIEW_STACK_DEPTH, &depth);
        for (; depth > 1; --depth) glPopMatrix();
    }
}

std::vector<std::string> glStateDifferences(const GLRectangle* viewport, const GLRectangle* scissor) {
    Differences d;
    d.enabled("depth test", GL_DEPTH_TEST, true);
    d.integer("depth function", GL_DEPTH_FUNC, GL_LESS);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    d.compare("depth writes", onOff(depthWrites == GL_TRUE), "on");
    d.enabled("face culling", GL_CULL_FACE, true);
    d.integer("culled faces", GL_CULL_FACE_MODE, GL_BACK);
    d.integer("front faces", GL_FRONT_FACE, GL_CCW);
    d.enabled("blending", GL_BLEND, false);
    d.integer("blend source", GL_BLEND_SRC, GL_SRC_ALPHA);
    d.integer("blend destination", GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA);
    d.enabled("alpha test", GL_ALPHA_TEST, false);
    d.integer("alpha function", GL_ALPHA_TEST_FUNC, GL_ALWAYS);
    GLfloat reference = 0.0f;
    glGetFloatv(GL_ALPHA_TEST_REF, &reference);
    d.compare("alpha reference", numbers(&reference, 1), "(0)");
    d.enabled("lighting", GL_LIGHTING, false);
    for (int light = 0; light < kLights; ++light)
        d.enabled("light " + std::to_string(light), GLenum(GL_LIGHT0 + light), false);
    d.enabled("colour material", GL_COLOR_MATERIAL, false);
    d.enabled("normalising", GL_NORMALIZE, false);
    d.enabled("fog", GL_FOG, false);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    d.compare("colour", numbers(colour, 4), "(1, 1, 1, 1)");
    GLboolean written[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, written);
    d.compare("colour writes", written[0] && written[1] && written[2] && written[3] ? "all" : "not all",
              "all");
    d.enabled("scissor test", GL_SCISSOR_TEST, scissor != nullptr);
    if (scissor)
        d.compare("scissor box", rectangleText(readRectangle(GL_SCISSOR_BOX)), rectangleText(*scissor));

    const int units = unitCount();
    GLint activeUnit = GL_TEXTURE0, clientActiveUnit = GL_TEXTURE0;
    if (units > 1) {
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
        glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientActiveUnit);
    }
    for (int unit = 0; unit < units; ++unit) {
        if (units > 1) {
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
        }
        const std::string of = " (unit " + std::to_string(unit) + ")";
        d.enabled("texturing" + of, GL_TEXTURE_2D, unit == 0);
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        d.compare("texture environment" + of, enumName(mode), "GL_MODULATE");
        d.enabled("coordinate generation S" + of, GL_TEXTURE_GEN_S, false);
        d.enabled("coordinate generation T" + of, GL_TEXTURE_GEN_T, false);
        d.enabled("coordinate generation R" + of, GL_TEXTURE_GEN_R, false);
        d.identity("texture matrix" + of, GL_TEXTURE_MATRIX);
        d.enabled("texture coordinate array" + of, GL_TEXTURE_COORD_ARRAY, false);
    }
    if (units > 1) {
        glActiveTexture(GLenum(activeUnit));
        glClientActiveTexture(GLenum(clientActiveUnit));
        d.compare("active texture unit", std::to_string(activeUnit - GL_TEXTURE0), "0");
        d.compare("client active texture unit", std::to_string(clientActiveUnit - GL_TEXTURE0), "0");
    }
    d.enabled("vertex array", GL_VERTEX_ARRAY, false);
    d.enabled("normal array", GL_NORMAL_ARRAY, false);
    d.enabled("colour array", GL_COLOR_ARRAY, false);
    GLint arrayBuffer = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    d.compare("array buffer", std::to_string(arrayBuffer), "0");
    d.integer("matrix mode", GL_MATRIX_MODE, GL_MODELVIEW);
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    d.compare("projection stack depth", std::to_string(depth), "1");
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    d.compare("model-view stack depth", std::to_string(depth), "1");
    if (viewport) d.compare("viewport", rectangleText(readRectangle(GL_VIEWPORT)), rectangleText(*viewport));
    return d.lines;
}
