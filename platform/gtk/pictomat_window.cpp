// The converter's window on GTK 3. Every user action goes to the window model first; the
// widgets are then brought in line with it (the guard `syncing` keeps those updates from being
// taken for user actions).
#include "platform/gtk/pictomat_window.h"

#include <gtk/gtk.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "platform/desktop/desktop_chooser.h"

namespace korel::gtkui {

using pictomat::AssetKind;
using pictomat::Check;
using pictomat::Command;
using pictomat::Field;

namespace {

constexpr int kAreaWidth = 360;
constexpr int kAreaHeight = 432;
constexpr int kPreviewX = 84;
constexpr int kPreviewY = 303;

const char* kCss =
    "window.pictomat, window.pictomat fixed { background-color: #ffffff; }"
    "window.pictomat entry { min-height: 0; padding: 1px 4px; }"
    "window.pictomat checkbutton, window.pictomat radiobutton { min-height: 0; padding: 0; }"
    "window.pictomat label.section { font-weight: bold; }"
    "window.pictomat separator { background-color: #808080; min-height: 1px; }";

}  // namespace

struct PictomatWindow::Impl {
    pictomat::WindowModel& model;
    desktop::FileChooser chooser;
    bool started = false;
    bool closed = false;
    bool syncing = false;
    bool inMainLoop = false;
    int beeps = 0;
    std::string folder;  // where the last bitmap was opened
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    GtkWidget* brush = nullptr;
    GtkWidget* fill = nullptr;
    std::array<GtkWidget*, pictomat::kFieldCount> fields{};
    std::array<GtkWidget*, pictomat::kCheckCount> checks{};
    GtkWidget* preview = nullptr;
    GtkWidget* status = nullptr;

    explicit Impl(pictomat::WindowModel& m) : model(m) {}

    void build();
    void sync();
    void doCommand(Command c);

    void place(GtkWidget* w, int x, int y) { gtk_fixed_put(GTK_FIXED(fixed), w, x, y); }
    void line(int y) {
        GtkWidget* sep = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
        gtk_widget_set_size_request(sep, kAreaWidth, 1);
        place(sep, 0, y);
    }
    void label(const char* text, int x, int y, bool section = false) {
        GtkWidget* l = gtk_label_new(text);
        if (section) gtk_style_context_add_class(gtk_widget_get_style_context(l), "section");
        place(l, x, y);
    }
    void field(Field f, const char* text, int y);
    void check(Check c, const char* text, int x, int y);
};

namespace {

struct FieldHook {
    PictomatWindow::Impl* impl;
    Field field;
};
struct CheckHook {
    PictomatWindow::Impl* impl;
    Check check;
};

// Refuses an insertion the field would not take (letters, a fourth digit).
void onInsertText(GtkEditable* editable, const gchar* text, gint length, gint* position,
                  gpointer data) {
    auto* hook = static_cast<FieldHook*>(data);
    if (hook->impl->syncing) return;
    std::string now = gtk_entry_get_text(GTK_ENTRY(editable));
    const size_t at = std::min(size_t(std::max(*position, 0)), now.size());
    now.insert(at, text, length < 0 ? std::strlen(text) : size_t(length));
    if (!hook->impl->model.accepts(hook->field, now)) {
        g_signal_stop_emission_by_name(editable, "insert-text");
    }
}

// Shows the model's correction ("0" as "1") once GTK has finished the edit.
gboolean syncLater(gpointer data) {
    static_cast<PictomatWindow::Impl*>(data)->sync();
    return G_SOURCE_REMOVE;
}

void onFieldChanged(GtkEditable* editable, gpointer data) {
    auto* hook = static_cast<FieldHook*>(data);
    if (hook->impl->syncing) return;
    hook->impl->model.setFieldText(hook->field, gtk_entry_get_text(GTK_ENTRY(editable)));
    g_idle_add(syncLater, hook->impl);
}

void onCheckToggled(GtkToggleButton* button, gpointer data) {
    auto* hook = static_cast<CheckHook*>(data);
    if (hook->impl->syncing) return;
    hook->impl->model.setChecked(hook->check, gtk_toggle_button_get_active(button) != FALSE);
    hook->impl->sync();
}

void onKindToggled(GtkToggleButton* button, gpointer data) {
    auto* impl = static_cast<PictomatWindow::Impl*>(data);
    if (impl->syncing || !gtk_toggle_button_get_active(button)) return;
    impl->model.chooseKind(GTK_WIDGET(button) == impl->brush ? AssetKind::Brush : AssetKind::Fill);
    impl->sync();
}

gboolean onDrawPreview(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* impl = static_cast<PictomatWindow::Impl*>(data);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24,
                                                          pictomat::kPreviewWidth,
                                                          pictomat::kPreviewHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return TRUE;
    }
    cairo_surface_flush(surface);
    unsigned char* bytes = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const auto& px = impl->model.preview();
    for (int y = 0; y < pictomat::kPreviewHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(bytes + size_t(y) * size_t(stride));
        for (int x = 0; x < pictomat::kPreviewWidth; ++x) {
            const Rgb& c = px[size_t(y) * pictomat::kPreviewWidth + size_t(x)];
            row[x] = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(surface);
    return TRUE;
}

gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* impl = static_cast<PictomatWindow::Impl*>(data);
    if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
    const guint32 ch = gdk_keyval_to_unicode(event->keyval);
    if (ch == 0 || ch > 127) return FALSE;
    const Command c = pictomat::commandForKey(char(ch));
    if (c == Command::None) return FALSE;
    impl->doCommand(c);
    return TRUE;
}

void onDestroy(GtkWidget*, gpointer data) {
    auto* impl = static_cast<PictomatWindow::Impl*>(data);
    impl->closed = true;
    impl->window = nullptr;
    if (impl->inMainLoop) gtk_main_quit();
}

GtkWidget* menuItem(GtkWidget* menu, const char* text, guint key, Command c,
                    PictomatWindow::Impl* impl) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(text);
    // The keys are handled by the window itself; the label only shows them.
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(item));
    if (GTK_IS_ACCEL_LABEL(child)) gtk_accel_label_set_accel(GTK_ACCEL_LABEL(child), key, GdkModifierType(0));
    g_object_set_data(G_OBJECT(item), "command", GINT_TO_POINTER(int(c)));
    g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* i, gpointer d) {
                         auto* self = static_cast<PictomatWindow::Impl*>(d);
                         self->doCommand(Command(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(i), "command"))));
                     }),
                     impl);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    return item;
}

}  // namespace

void PictomatWindow::Impl::field(Field f, const char* text, int y) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 3);
    gtk_entry_set_max_width_chars(GTK_ENTRY(entry), 3);
    gtk_entry_set_max_length(GTK_ENTRY(entry), 3);
    gtk_widget_set_size_request(entry, 44, -1);
    if (!pictomat::WindowModel::editable(f)) {
        gtk_editable_set_editable(GTK_EDITABLE(entry), FALSE);
        gtk_widget_set_can_focus(entry, FALSE);
    }
    auto* hook = new FieldHook{this, f};
    g_signal_connect(entry, "insert-text", G_CALLBACK(onInsertText), hook);
    g_signal_connect(entry, "changed", G_CALLBACK(onFieldChanged), hook);
    g_signal_connect_swapped(entry, "destroy", G_CALLBACK(+[](gpointer h) { delete static_cast<FieldHook*>(h); }),
                             hook);
    fields[size_t(f)] = entry;
    place(entry, 12, y);
    label(text, 64, y + 3);
}

void PictomatWindow::Impl::check(Check c, const char* text, int x, int y) {
    GtkWidget* box = gtk_check_button_new_with_label(text);
    auto* hook = new CheckHook{this, c};
    g_signal_connect(box, "toggled", G_CALLBACK(onCheckToggled), hook);
    g_signal_connect_swapped(box, "destroy", G_CALLBACK(+[](gpointer h) { delete static_cast<CheckHook*>(h); }),
                             hook);
    checks[size_t(c)] = box;
    place(box, x, y);
}

void PictomatWindow::Impl::build() {
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window), "pictomat");
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    g_signal_connect(window, "destroy", G_CALLBACK(onDestroy), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), this);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window), column);

    GtkWidget* bar = gtk_menu_bar_new();
    GtkWidget* file = gtk_menu_item_new_with_mnemonic("_File");
    GtkWidget* menu = gtk_menu_new();
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), menu);
    menuItem(menu, "_Open...", GDK_KEY_O, Command::Open, this);
    menuItem(menu, "_Save As...", GDK_KEY_S, Command::SaveAs, this);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    menuItem(menu, "_Quit", GDK_KEY_Q, Command::Quit, this);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), file);
    gtk_box_pack_start(GTK_BOX(column), bar, FALSE, FALSE, 0);

    fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, kAreaWidth, kAreaHeight);
    gtk_box_pack_start(GTK_BOX(column), fixed, TRUE, TRUE, 0);

    brush = gtk_radio_button_new_with_label(nullptr, "Brush");
    fill = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(brush), "Fill");
    g_signal_connect(brush, "toggled", G_CALLBACK(onKindToggled), this);
    g_signal_connect(fill, "toggled", G_CALLBACK(onKindToggled), this);
    place(brush, 100, 5);
    place(fill, 200, 5);

    line(30);
    label("Primary Gradient (Green) or ->", 8, 34, true);
    check(Check::FixedColours, "Fixed Colors", 248, 32);
    field(Field::Sections1, "Number of sections to divide gradient", 56);
    check(Check::Spread1, "Spread frames along gradient", 12, 84);

    line(110);
    label("Secondary Gradient (Red)", 8, 114, true);
    check(Check::SecondGradient, "2nd Gradient", 248, 112);
    field(Field::Sections2, "Number of sections to divide gradient", 136);
    check(Check::Spread2, "Spread frames along gradient", 12, 164);

    line(190);
    label("Brush Settings", 8, 194, true);
    field(Field::Frames, "Number of frames in image", 214);
    field(Field::Multiply, "Number to multiply frames", 240);
    field(Field::Total, "Total number of frames", 266);
    check(Check::BlueMask, "Blue Mask", 256, 212);
    check(Check::BeatFrame, "Beat Frame", 256, 238);
    check(Check::Palindrome, "Palindrome", 256, 264);

    line(293);
    preview = gtk_drawing_area_new();
    gtk_widget_set_size_request(preview, pictomat::kPreviewWidth, pictomat::kPreviewHeight);
    g_signal_connect(preview, "draw", G_CALLBACK(onDrawPreview), this);
    place(preview, kPreviewX, kPreviewY);

    status = gtk_label_new("");
    gtk_label_set_ellipsize(GTK_LABEL(status), PANGO_ELLIPSIZE_END);
    gtk_label_set_xalign(GTK_LABEL(status), 0.0f);
    gtk_widget_set_size_request(status, kAreaWidth - 16, -1);
    place(status, 8, 408);

    sync();
    gtk_widget_show_all(window);
}

void PictomatWindow::Impl::sync() {
    if (!window) return;
    syncing = true;
    for (int i = 0; i < pictomat::kFieldCount; ++i) {
        GtkEntry* entry = GTK_ENTRY(fields[size_t(i)]);
        const std::string& text = model.fieldText(Field(i));
        if (text != gtk_entry_get_text(entry)) {
            gtk_entry_set_text(entry, text.c_str());
            gtk_editable_set_position(GTK_EDITABLE(entry), -1);
        }
    }
    for (int i = 0; i < pictomat::kCheckCount; ++i) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(checks[size_t(i)]), model.checked(Check(i)));
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(model.kind() == AssetKind::Brush ? brush : fill),
                                 TRUE);
    gtk_label_set_text(GTK_LABEL(status), model.status().c_str());
    gtk_window_set_title(GTK_WINDOW(window), model.title().c_str());
    gtk_widget_queue_draw(preview);
    syncing = false;
}

void PictomatWindow::Impl::doCommand(Command c) {
    if (!window) return;
    switch (c) {
        case Command::Open: {
            std::string path;
            if (!chooser.chooseOpenFile("Open", {{"Bitmap", "*.BMP"}}, path)) break;
            if (!model.open(path)) {
                ++beeps;
                gdk_display_beep(gdk_display_get_default());
            }
            const size_t slash = path.find_last_of('/');
            folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
            break;
        }
        case Command::SaveAs: {
            std::string path;
            if (!model.isOpen()) {
                model.saveAs(path);  // shows why nothing is saved
                break;
            }
            const auto filter = model.saveFilter();
            if (!chooser.chooseSaveFile(model.saveDialogTitle(), {filter}, folder,
                                        model.proposedSaveName(), path)) {
                break;
            }
            model.saveAs(path);
            break;
        }
        case Command::Quit:
            gtk_widget_destroy(window);
            return;
        case Command::None:
            break;
    }
    sync();
}

PictomatWindow::PictomatWindow(pictomat::WindowModel& model)
    : impl_(std::make_unique<Impl>(model)) {}

PictomatWindow::~PictomatWindow() {
    if (impl_->window) gtk_widget_destroy(impl_->window);
    pump();
}

bool PictomatWindow::start() {
    if (impl_->started) return impl_->window != nullptr;
    impl_->started = true;
    if (!gtk_init_check(nullptr, nullptr)) return false;
    impl_->build();
    pump();
    return true;
}

void PictomatWindow::run() {
    if (!impl_->window) return;
    impl_->inMainLoop = true;
    gtk_main();
    impl_->inMainLoop = false;
}

void PictomatWindow::command(Command c) {
    impl_->doCommand(c);
}

bool PictomatWindow::closed() const {
    return impl_->closed;
}

void PictomatWindow::pump() {
    if (!impl_->started) return;
    for (int i = 0; i < 2000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void PictomatWindow::enterText(Field f, const std::string& text) {
    if (!impl_->window) return;
    GtkWidget* entry = impl_->fields[size_t(f)];
    if (!gtk_editable_get_editable(GTK_EDITABLE(entry))) return;  // as GTK ignores typing there
    gint pos = gint(std::strlen(gtk_entry_get_text(GTK_ENTRY(entry))));
    gtk_editable_insert_text(GTK_EDITABLE(entry), text.c_str(), gint(text.size()), &pos);
    pump();
}

void PictomatWindow::replaceText(Field f, const std::string& text) {
    if (!impl_->window) return;
    GtkWidget* entry = impl_->fields[size_t(f)];
    if (!gtk_editable_get_editable(GTK_EDITABLE(entry))) return;
    gtk_editable_delete_text(GTK_EDITABLE(entry), 0, -1);
    gint pos = 0;
    gtk_editable_insert_text(GTK_EDITABLE(entry), text.c_str(), gint(text.size()), &pos);
    pump();
}

std::string PictomatWindow::shownField(Field f) const {
    return impl_->window ? gtk_entry_get_text(GTK_ENTRY(impl_->fields[size_t(f)])) : "";
}

std::string PictomatWindow::shownStatus() const {
    return impl_->window ? gtk_label_get_text(GTK_LABEL(impl_->status)) : "";
}

std::string PictomatWindow::shownTitle() const {
    const char* t = impl_->window ? gtk_window_get_title(GTK_WINDOW(impl_->window)) : nullptr;
    return t ? t : "";
}

void PictomatWindow::click(Check c) {
    if (!impl_->window) return;
    gtk_button_clicked(GTK_BUTTON(impl_->checks[size_t(c)]));
    pump();
}

void PictomatWindow::clickKind(AssetKind kind) {
    if (!impl_->window) return;
    gtk_button_clicked(GTK_BUTTON(kind == AssetKind::Brush ? impl_->brush : impl_->fill));
    pump();
}

void PictomatWindow::answerNextDialog(const std::string& path) {
    impl_->chooser.answerNextDialog(path);
}

std::string PictomatWindow::lastDialogTitle() const {
    return impl_->chooser.shown().title;
}

std::string PictomatWindow::lastDialogName() const {
    return impl_->chooser.shown().proposedName;
}

std::string PictomatWindow::lastDialogFilters() const {
    std::string all;
    for (const std::string& name : impl_->chooser.shown().filterNames) {
        if (!all.empty()) all += ';';
        all += name;
    }
    return all;
}

int PictomatWindow::beeps() const {
    return impl_->beeps;
}

bool PictomatWindow::screenshot(const std::string& pngPath) {
    if (!impl_->window) return false;
    // Drawing follows the frame clock, so give it a few frames to catch up.
    gtk_widget_queue_draw(impl_->window);
    for (int i = 0; i < 20; ++i) {
        pump();
        g_usleep(10000);
    }
    GdkWindow* w = gtk_widget_get_window(impl_->window);
    if (!w) return false;
    GdkPixbuf* shot =
        gdk_pixbuf_get_from_window(w, 0, 0, gdk_window_get_width(w), gdk_window_get_height(w));
    if (!shot) return false;
    const bool ok = gdk_pixbuf_save(shot, pngPath.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(shot);
    return ok;
}

int runPictomatWindow() {
    pictomat::WindowModel model;
    PictomatWindow window(model);
    if (!window.start()) {
        std::fprintf(stderr, "pictomat: cannot open the window (no display); "
                             "run `pictomat --help` for the command line\n");
        return 1;
    }
    window.run();
    return 0;
}

}  // namespace korel::gtkui
