// The desktop message box on the real display: modal, titled with its caption, one OK button,
// and showMessage returns only once OK was pressed.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

#include "platform/gtk_session.h"
#include "platform/platform.h"

namespace {

struct Observed {
    std::string title;
    std::string text;
    bool modal = false;
    bool hasCancel = true;
    bool pressedOk = false;
    int polls = 0;
};

// Runs inside the dialog's own loop: finds the message dialog, notes what it shows and presses
// its OK button.
gboolean pressOk(gpointer data) {
    auto* seen = static_cast<Observed*>(data);
    ++seen->polls;
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* dialog = nullptr;
    for (GList* w = windows; w; w = w->next) {
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
            dialog = GTK_WIDGET(w->data);
        }
    }
    g_list_free(windows);
    if (!dialog) {
        return seen->polls < 100 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }
    seen->title = gtk_window_get_title(GTK_WINDOW(dialog));
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    seen->text = text ? text : "";
    g_free(text);
    seen->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
    seen->hasCancel =
        gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL) != nullptr;
    GtkWidget* ok = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    if (ok) {
        seen->pressedOk = true;
        gtk_button_clicked(GTK_BUTTON(ok));
    }
    return G_SOURCE_REMOVE;
}

TEST(MessageBoxTest, ShowsErrorBoxAndReturnsOnlyAfterOk) {
    if (!ensureGtk()) {
        GTEST_SKIP() << "no display for GTK";
    }
    Observed seen;
    g_timeout_add(50, pressOk, &seen);
    desktopPlatform().showMessage("Cannot read file", "Error");
    EXPECT_TRUE(seen.pressedOk);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.text, "Cannot read file");
    EXPECT_TRUE(seen.modal);
    EXPECT_FALSE(seen.hasCancel);

    // The dialog is gone once the call has returned.
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) {
        EXPECT_FALSE(GTK_IS_MESSAGE_DIALOG(w->data));
    }
    g_list_free(windows);
}

}  // namespace
