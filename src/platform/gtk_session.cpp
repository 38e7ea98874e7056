#include "platform/gtk_session.h"

#include <gtk/gtk.h>

#include "platform/platform.h"

bool ensureGtk() {
    static bool started = false;
    static bool available = false;
    if (!started) {
        started = true;
        gtk_disable_setlocale();
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
