#pragma once
// The GL state between passes. Every pass (the loading screen; in a frame the capture, the room's
// opaque pass, the particles, the glass pass, the overlay, and the same for each further monitor's
// view) starts from this baseline and leaves it: what it needs beyond it, it sets itself and puts
// back before it returns. A step inside a pass (a room batch, a model, an overlay quad) puts back
// what it changes, so the pass's own state holds around it. No pass relies on what another left.
//
//   depth               test on, GL_LESS, writes on
//   faces               back faces culled, counter-clockwise in front
//   blending            off; function (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)
//   alpha test          off; function (GL_ALWAYS, 0)
//   lighting            off, lights 0 to 7 off, colour material and normalising off
//   fog                 off
//   colour              (1, 1, 1, 1); all four channels written
//   scissor test        off; on around another monitor's part of a window shared with the primary
//                       while the frame draws that monitor
//   texture unit 0      texturing on, GL_MODULATE, no coordinate generation, texture matrix identity
//   texture unit 1      texturing off, GL_MODULATE, no coordinate generation, texture matrix identity
//   active units        0 (server and client)
//   client arrays       all off (vertex, normal, colour, each unit's coordinates); no array buffer bound
//   matrices            model-view mode; projection and model-view stacks one deep
//   viewport            the part of the drawable being drawn: the primary monitor's, the capture
//                       square while a cut's picture is captured, another monitor's while it is drawn
//
// Not part of it (whoever draws with them sets them first): the texture bound on each unit, the
// matrices' contents, the parameters of lights, materials and fog, the coordinate generation modes,
// the combiner's sources, the clear colour, the pixel-store alignment. Between the 3-D passes of a
// view the matrices hold that view's camera: the particles draw with the camera the room's pass loaded.
//
//   applyGLBaseline      sets every item (once the context is made; tests start from it)
//   glStateDifferences   reads the GL state back and names each item that is not at the baseline

#include <string>
#include <vector>

// A rectangle of the drawable in pixels, from its lower-left corner (as glViewport takes it).
struct GLRectangle {
    int x = 0, y = 0, width = 0, height = 0;
};

// Sets every item of the baseline but the viewport, which the window's code keeps (pushed matrices
// are popped). Needs a current context.
void applyGLBaseline();

// One line for each item of the current context that differs from the baseline, in the order of the
// table above, as "blending: on, baseline off". The viewport is compared only when `viewport` is
// given; with `scissor` the scissor test must be on with that box. Empty when the state is the
// baseline. Needs a current context; changes nothing.
std::vector<std::string> glStateDifferences(const GLRectangle* viewport = nullptr,
                                            const GLRectangle* scissor = nullptr);
