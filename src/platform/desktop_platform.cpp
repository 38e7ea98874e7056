// Placeholder until the desktop services are written: the harmless stand-ins.
#include "platform/platform.h"

Platform desktopPlatform() { return platform(); }
