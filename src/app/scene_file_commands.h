#pragma once

// Asks for a file name and writes the scene and the four cameras to it. False when the dialog was
// cancelled or the file could not be written completely.
bool saveScene();
// Asks for a file name and replaces the scene and the cameras by its content. False, with nothing
// changed, when the dialog was cancelled or the file is not a complete, valid scene file.
bool loadScene();
