#pragma once
// The one static picture on screen while the scene loads.

class RunSession;

// Clears to black, draws "Notification/loading.jpg" over the whole window (rows from the top edge
// down) and "Logo/4loader.jpg" small near the lower-right corner, and presents it. Needs the GL
// context; missing pictures show the default texture.
void showLoadingScreen(RunSession& session);

// Deletes the two pictures' textures once the room is loaded: nothing draws them again, and the
// full-screen picture is among the largest textures. Needs the GL context.
void releaseLoadingScreen(RunSession& session);
