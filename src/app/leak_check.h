#pragma once

// In sanitizer builds, runs the leak check at once instead of at the very end of the process.
// The GL driver is loaded at run time and unloaded when GLUT tears its windows down at exit;
// leaks inside it can only be attributed (and suppressed as the system's) while it is loaded.
// Does nothing in other builds.
void checkLeaksBeforeTeardown();
