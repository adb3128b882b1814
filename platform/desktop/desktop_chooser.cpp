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

bool FileChooser::chooseOpenFile(const std::string& title,
                                 const std::vector<std::pair<std::string, std::string>>& filters,
                                 std::string& path) {
    if (!started()) return false;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel");
    if (!dialog) return false;
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
