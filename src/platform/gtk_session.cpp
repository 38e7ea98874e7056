#include "platform/gtk_session.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include "platform/platform.h"

namespace {

int watchedFd = -1;
void (*watchedAction)() = nullptr;
bool gtkStarted = false;

gboolean descriptorReadable(gint, GIOCondition, gpointer) {
    if (watchedAction != nullptr) {
        watchedAction();
    }
    return G_SOURCE_CONTINUE;
}

void addWatch() {
    if (gtkStarted && watchedFd >= 0) {
        g_unix_fd_add(watchedFd, G_IO_IN, descriptorReadable, nullptr);
    }
}

}  // namespace

void watchDuringDialogs(int fd, void (*onReadable)()) {
    watchedFd = fd;
    watchedAction = onReadable;
    addWatch();
}

bool ensureGtk() {
    static bool started = false;
    static bool available = false;
    if (!started) {
        started = true;
        gtk_disable_setlocale();
        // Without this GTK draws its windows in a GL-capable visual instead of the screen's
        // default one, although they never use GL. Screen dumps that compose the screen visual by
        // visual (xwd) then show a dialog stacked over another, such as the replace question over
        // the save chooser, as a black box. A choice the user made in the environment stands.
        g_setenv("GDK_GL", "disable", FALSE);
        available = gtk_init_check(nullptr, nullptr);
        gtkStarted = available;
        addWatch();
    }
    return available;
}

void finishGtkDialog() {
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    if (platform().afterModalDialog) {
        platform().afterModalDialog();
    }
}
