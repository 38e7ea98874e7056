#include "platform/file_dialogs.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_names.h"
#include "platform/gtk_session.h"
#include "platform/save_types.h"

namespace {

GtkWidget* newChooser(const char* title, GtkFileChooserAction action, const char* acceptLabel) {
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new(title, nullptr, action, "_Cancel", GTK_RESPONSE_CANCEL,
                                    acceptLabel, GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, "VRML Scene (*.vsf)");
    gtk_file_filter_add_pattern(filter, "*.vsf");
    gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // Start in the working directory (where the model folder is), not in "Recent".
    std::error_code error;
    const auto folder = std::filesystem::current_path(error);
    if (!error) {
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    }
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    return dialog;
}

// Runs the dialog once more; the chosen local path, or nothing for any answer but Accept.
std::optional<std::string> runChooser(GtkWidget* dialog) {
    if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_ACCEPT) {
        return std::nullopt;
    }
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    if (name == nullptr) {
        return std::string();
    }
    std::string path(name);
    g_free(name);
    return path;
}

void closeDialog(GtkWidget* dialog) {
    gtk_widget_destroy(dialog);
    finishGtkDialog();
}

// The question GTK cannot ask itself: its overwrite confirmation only covers the name as typed,
// not the one with ".vsf" added.
bool confirmReplace(GtkWidget* parent, const std::string& path) {
    const std::string base = std::filesystem::path(path).filename().string();
    GtkWidget* question = gtk_message_dialog_new(
        GTK_WINDOW(parent), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO,
        "A file named \"%s\" already exists. Do you want to replace it?", base.c_str());
    gtk_window_set_title(GTK_WINDOW(question), "Confirm Save As");
    const bool yes = gtk_dialog_run(GTK_DIALOG(question)) == GTK_RESPONSE_YES;
    gtk_widget_destroy(question);
    return yes;
}

}  // namespace

std::optional<std::string> gtkChooseSceneToOpen() {
    return gtkChooseSceneToOpenOffering(std::string());
}

std::optional<std::string> gtkChooseSceneToOpenOffering(const std::string& shortcutFolder) {
    if (!ensureGtk()) {
        return std::nullopt;
    }
    GtkWidget* dialog = newChooser("Load Scene", GTK_FILE_CHOOSER_ACTION_OPEN, "_Open");
    std::error_code folderError;
    if (!shortcutFolder.empty() && std::filesystem::is_directory(shortcutFolder, folderError)) {
        gtk_file_chooser_add_shortcut_folder(GTK_FILE_CHOOSER(dialog), shortcutFolder.c_str(),
                                             nullptr);
    }
    std::optional<std::string> result;
    // GTK's open chooser already refuses names that do not exist; a folder or a device typed as a
    // path is refused here, and the chooser stays open.
    while (auto path = runChooser(dialog)) {
        std::error_code error;
        if (!path->empty() && std::filesystem::is_regular_file(*path, error)) {
            result = std::move(path);
            break;
        }
    }
    closeDialog(dialog);
    return result;
}

namespace {

// The export types after the scene file's own, which stays first and chosen.
void addExportTypes(GtkWidget* dialog) {
    for (size_t i = 1; i < SAVE_TYPES.size(); ++i) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, std::string(SAVE_TYPES[i].label).c_str());
        const std::string pattern = "*." + std::string(SAVE_TYPES[i].extension);
        gtk_file_filter_add_pattern(filter, pattern.c_str());
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), filter);
    }
}

// The position in SAVE_TYPES of the type chosen in the dialog.
size_t chosenType(GtkWidget* dialog) {
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
    const char* name = chosen != nullptr ? gtk_file_filter_get_name(chosen) : nullptr;
    for (size_t i = 0; name != nullptr && i < SAVE_TYPES.size(); ++i) {
        if (SAVE_TYPES[i].label == name) {
            return i;
        }
    }
    return 0;
}

}  // namespace

std::optional<std::string> gtkChooseSceneToSave() {
    if (!ensureGtk()) {
        return std::nullopt;
    }
    GtkWidget* dialog = newChooser("Save Scene", GTK_FILE_CHOOSER_ACTION_SAVE, "_Save");
    addExportTypes(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
    std::optional<std::string> result;
    // Answering "No" to the replace question returns to the chooser, so that another name can be
    // typed; Cancel there gives up.
    while (auto path = runChooser(dialog)) {
        if (path->empty()) {
            continue;
        }
        const std::string final = savePathForType(*path, chosenType(dialog));
        std::error_code error;
        if (final == *path || !std::filesystem::exists(final, error) ||
            confirmReplace(dialog, final)) {
            result = final;
            break;
        }
    }
    closeDialog(dialog);
    return result;
}
