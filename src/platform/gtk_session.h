#pragma once

// GTK is started lazily, at the first dialog, and never changes the process locale: scene files
// must be written with '.' as the decimal point whatever the user's locale says.
// False when no display can be opened.
bool ensureGtk();

// Lets GTK finish destroying a dialog (its window leaves the screen), then drops the input that
// the user gave our GLUT windows while the dialog was up, and redraws every GLUT window.
void finishGtkDialog();
