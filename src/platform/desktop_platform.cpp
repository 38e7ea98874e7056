#include <gtk/gtk.h>

#include <cstdio>

#include "platform/file_dialogs.h"
#include "platform/folder_listing.h"
#include "platform/gtk_session.h"
#include "platform/platform.h"

namespace {

// A modal GTK message dialog titled with the caption, showing the text and one OK button. Returns
// once the user has dismissed it. Without a display the message goes to stderr instead.
void showGtkMessage(const std::string& text, const std::string& caption) {
    if (!ensureGtk()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    finishGtkDialog();
}

}  // namespace

Platform desktopPlatform() {
    Platform desktop;
    desktop.listModelFiles = listWrlFiles;
    desktop.showMessage = showGtkMessage;
    desktop.chooseSceneToOpen = gtkChooseSceneToOpen;
    desktop.chooseSceneToSave = gtkChooseSceneToSave;
    // afterModalDialog belongs to the program: it knows its windows.
    return desktop;
}
