#pragma once
// The one static picture on screen while the scene loads.

class RunSession;

// Clears to black, draws "Notification/loading.jpg" over the whole window (rows from the top edge
// down) and "Logo/4loader.jpg" small near the lower-right corner, and presents it. Needs the GL
// context; missing pictures show the default texture.
void showLoadingScreen(RunSession& session);
