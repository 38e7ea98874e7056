#include "platform/gtk_session.h"

#include <gtk/gtk.h>

#include "platform/platform.h"

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
