#pragma once

// GTK is started lazily, at the first dialog, and never changes the process locale: scene files
// must be written with '.' as the decimal point whatever the user's locale says.
// False when no display can be opened.
bool ensureGtk();

// Lets GTK finish destroying a dialog (its window leaves the screen), then drops the input that
// the user gave our GLUT windows while the dialog was up, and redraws every GLUT window.
void finishGtkDialog();

// While a dialog runs, the program's own event loop waits: `onReadable` is called from the
// dialog's loop whenever `fd` has something to read (the program's signals still act then).
// Takes effect once GTK is started, whether before or after this call.
void watchDuringDialogs(int fd, void (*onReadable)());
