#pragma once

// Xlib's default handler ends the process on any X protocol error, from inside whatever request
// failed; freeglut's exit handlers can then hang on a lock that the failed request still holds.
// With this installed, a protocol error caused by one of our requests is reported on stderr and
// the program goes on. A lost connection to the X server ends the process at once, without exit
// handlers that would talk to the dead connection. Call before the first window opens.
void reportXErrorsAndGoOn();

// Runs `lastWords` when the connection to the X server is lost, right before the process ends.
// It must not talk to the X server.
void setLastWordsOnConnectionLoss(void (*lastWords)());
