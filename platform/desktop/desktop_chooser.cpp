// GTK 3's native file chooser.
#include "platform/desktop/desktop_chooser.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cctype>

namespace korel::desktop {

std::vector<std::string> caseBlindPatterns(const std::string& pattern) {
    std::string lower = pattern, upper = pattern, bracket;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    for (unsigned char c : pattern) {
        if (std::isalpha(c)) {
            bracket += '[';
            bracket += char(std::tolower(c));
            bracket += char(std::toupper(c));
            bracket += ']';
        } else {
            bracket += char(c);
        }
    }
    std::vector<std::string> out;
    for (const std::string& p : {pattern, lower, upper, bracket})
        if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
    return out;
}

bool FileChooser::started() {
    if (!initTried_) {
        initTried_ = true;
        initOk_ = gtk_init_check(nullptr, nullptr) != FALSE;
    }
    return initOk_;
}

namespace {

// Lets GTK finish what the closed dialog left (unmapping, portal replies).
void drainGtk() {
    for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

}  // namespace

void FileChooser::answerNextDialog(const std::string& path) {
    scripted_ = true;
    scriptedPath_ = path;
}

// Polls for the dialog and answers it; the fallback dialog is one of our GTK windows.
int FileChooser::answerTick(void* data) {
    auto* self = static_cast<FileChooser*>(data);
    GtkWidget* dialog = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            dialog = GTK_WIDGET(w->data);
    g_list_free(windows);
    if (!dialog) return ++self->scriptedTries_ < 200 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;

    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    if (self->scriptedTries_ >= 0) {  // first sight of the dialog
        self->shown_.title = gtk_window_get_title(GTK_WINDOW(dialog)) ? gtk_window_get_title(GTK_WINDOW(dialog)) : "";
        self->shown_.filterNames.clear();
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        for (GSList* f = filters; f; f = f->next)
            if (const char* name = gtk_file_filter_get_name(GTK_FILE_FILTER(f->data)))
                self->shown_.filterNames.emplace_back(name);
        g_slist_free(filters);
        self->shown_.proposedName.clear();
        const bool saving = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE;
        if (saving) {
            if (char* name = gtk_file_chooser_get_current_name(chooser)) {
                self->shown_.proposedName = name;
                g_free(name);
            }
        }
        self->scriptedTries_ = -1;
        if (self->scriptedPath_.empty()) {
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
            return G_SOURCE_REMOVE;
        }
        if (saving) {
            const size_t slash = self->scriptedPath_.find_last_of('/');
            if (slash != std::string::npos) {
                gtk_file_chooser_set_current_folder(
                    chooser, self->scriptedPath_.substr(0, slash == 0 ? 1 : slash).c_str());
            }
            gtk_file_chooser_set_current_name(
                chooser, self->scriptedPath_.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
        } else {
            gtk_file_chooser_set_filename(chooser, self->scriptedPath_.c_str());
        }
    }
    // Selecting a file completes once its folder has been read.
    char* now = gtk_file_chooser_get_filename(chooser);
    const bool selected = now && self->scriptedPath_ == now;
    g_free(now);
    if (!selected && --self->scriptedTries_ > -200) return G_SOURCE_CONTINUE;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return G_SOURCE_REMOVE;
}

bool FileChooser::chooseOpenFile(const std::string& title,
                                 const std::vector<std::pair<std::string, std::string>>& filters,
                                 std::string& path) {
    if (!started()) return false;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel");
    return dialog && run(dialog, filters, path);
}

bool FileChooser::chooseSaveFile(const std::string& title,
                                 const std::vector<std::pair<std::string, std::string>>& filters,
                                 const std::string& folder, const std::string& name,
                                 std::string& path) {
    if (!started()) return false;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", "_Cancel");
    if (!dialog) return false;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    gtk_file_chooser_set_current_name(chooser, name.c_str());
    return run(dialog, filters, path);
}

// Adds the filters, runs the dialog modally and frees it.
bool FileChooser::run(void* nativeDialog,
                      const std::vector<std::pair<std::string, std::string>>& filters,
                      std::string& path) {
    auto* dialog = static_cast<GtkFileChooserNative*>(nativeDialog);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    bool first = true;
    for (const auto& [name, patterns] : filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, name.c_str());
        size_t start = 0;
        while (start <= patterns.size()) {
            size_t end = patterns.find(';', start);
            if (end == std::string::npos) end = patterns.size();
            std::string one = patterns.substr(start, end - start);
            one.erase(0, one.find_first_not_of(' '));
            one.erase(one.find_last_not_of(' ') + 1);
            if (!one.empty())
                for (const std::string& p : caseBlindPatterns(one))
                    gtk_file_filter_add_pattern(filter, p.c_str());
            start = end + 1;
        }
        gtk_file_chooser_add_filter(chooser, filter);  // the chooser owns it now
        if (first) gtk_file_chooser_set_filter(chooser, filter);
        first = false;
    }

    if (scripted_) {
        scripted_ = false;
        scriptedTries_ = 0;
        g_timeout_add(20, &FileChooser::answerTick, this);
    }
    bool chosen = false;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (char* file = gtk_file_chooser_get_filename(chooser)) {
            path = file;
            chosen = true;
            g_free(file);
        }
    }
    g_object_unref(dialog);
    drainGtk();
    return chosen;
}

}  // namespace korel::desktop
