// Dialogs from templates with GTK 3: every control sits in a GtkFixed at its dialog-unit rectangle
// converted to pixels, so the dialog keeps the layout it was designed with.

#include <gtk/gtk.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/blobs.h"
#include "platform/dialog_toolkit.h"

namespace platform {

namespace {

// Compact controls in a small sans face, so that texts fit the rectangles of a dialog designed for an
// 8-point dialog font. The first installed family wins.
const char* const kDialogCss =
    "* { font-family: \"Liberation Sans\", \"Nimbus Sans\", Arial, \"DejaVu Sans Condensed\", \"DejaVu "
    "Sans\";"
    "    font-size: 8pt; }\n"
    "button { min-height: 0; min-width: 0; padding: 0 4px; }\n"
    "combobox button, combobox box { min-height: 0; padding-top: 0; padding-bottom: 0; }\n"
    "combobox arrow { min-height: 12px; min-width: 12px; }\n"
    "checkbutton, radiobutton { min-height: 0; padding: 0; }\n"
    "check, radio { min-width: 11px; min-height: 11px; margin: 0 1px 0 0; padding: 0; }\n"
    "checkbutton > label, radiobutton > label { padding: 0; margin: 0; }\n"
    "scale { min-height: 0; padding: 3px 4px; }\n"
    "scale trough { min-height: 4px; }\n"
    "scale slider { min-width: 11px; min-height: 11px; margin: -5px; }\n"
    "frame > border { border-radius: 3px; }\n"
    "frame > label { margin: 0 2px; }\n";

// A drop-down list's rectangle includes the opened list; the closed box is this tall.
constexpr int kClosedListHeight = 14;
// Dialog units one line of label text takes.
constexpr int kTextLineHeight = 8;

class GtkToolkit;
class GtkDialogWindow;

struct Control {
    GtkDialogWindow* window = nullptr;
    int id = -1;
    ControlKind kind = ControlKind::Label;
    GtkWidget* widget = nullptr;
    int itemCount = 0;  // DropDownList
};

class GtkDialogWindow : public DialogWindow {
public:
    GtkDialogWindow(GtkToolkit& toolkit, const DialogTemplate& layout, GtkDialogWindow* owner);
    ~GtkDialogWindow() override {
        if (window_) gtk_widget_destroy(window_);
    }
    GtkDialogWindow(const GtkDialogWindow&) = delete;
    GtkDialogWindow& operator=(const GtkDialogWindow&) = delete;

    void setCaption(const std::string& text) override {
        gtk_window_set_title(GTK_WINDOW(window_), text.c_str());
    }
    std::string caption() const override {
        const char* title = gtk_window_get_title(GTK_WINDOW(window_));
        return title ? title : "";
    }
    void setText(int control, const std::string& text) override;
    std::string text(int control) const override;
    void setChecked(int control, bool checked) override;
    bool isChecked(int control) const override;
    void setEnabled(int control, bool enabled) override {
        if (Control* c = find(control)) gtk_widget_set_sensitive(c->widget, enabled);
    }
    bool isEnabled(int control) const override {
        const Control* c = find(control);
        return c && gtk_widget_get_sensitive(c->widget);
    }
    void setSliderRange(int control, int minimum, int maximum) override {
        Control* c = find(control, ControlKind::Slider);
        if (c && minimum <= maximum) gtk_range_set_range(GTK_RANGE(c->widget), minimum, maximum);
    }
    void setSliderPosition(int control, int position) override {
        if (Control* c = find(control, ControlKind::Slider))
            gtk_range_set_value(GTK_RANGE(c->widget), position);
    }
    int sliderPosition(int control) const override {
        const Control* c = find(control, ControlKind::Slider);
        return c ? static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(c->widget)))) : 0;
    }
    void setListItems(int control, const std::vector<std::string>& items) override;
    void setListSelection(int control, int index) override;
    int listSelection(int control) const override {
        const Control* c = find(control, ControlKind::DropDownList);
        return c ? gtk_combo_box_get_active(GTK_COMBO_BOX(c->widget)) : -1;
    }
    void setVisible(bool visible) override {
        if (visible) {
            gtk_window_present(GTK_WINDOW(window_));
        } else {
            gtk_widget_hide(window_);
        }
    }
    bool isVisible() const override { return gtk_widget_get_visible(window_); }

    int dialogId() const { return dialogId_; }
    GtkToolkit& toolkit() { return toolkit_; }
    bool updating() const { return updating_; }
    GtkWidget* gtkWindow() { return window_; }

private:
    Control* find(int id, ControlKind kind) {
        Control* c = find(id);
        return c && c->kind == kind ? c : nullptr;
    }
    const Control* find(int id, ControlKind kind) const {
        const Control* c = find(id);
        return c && c->kind == kind ? c : nullptr;
    }
    Control* find(int id) {
        for (auto& c : controls_) {
            if (c->id == id && id != -1) return c.get();
        }
        return nullptr;
    }
    const Control* find(int id) const { return const_cast<GtkDialogWindow*>(this)->find(id); }
    GtkWidget* buildControl(const ControlTemplate& item, Control& control);

    GtkToolkit& toolkit_;
    int dialogId_;
    GtkWidget* window_ = nullptr;
    GSList* radioGroup_ = nullptr;  // owned by the radio buttons
    bool updating_ = false;         // programmatic changes raise no events
    std::vector<std::unique_ptr<Control>> controls_;
};

class GtkToolkit : public DialogToolkit {
public:
    GtkToolkit() {
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css, kDialogCss, -1, nullptr);
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(css);
    }

    std::unique_ptr<DialogWindow> createDialog(const DialogTemplate& layout, DialogWindow* owner) override {
        return std::make_unique<GtkDialogWindow>(*this, layout, static_cast<GtkDialogWindow*>(owner));
    }

    bool pollEvent(DialogEvent& event) override {
        return events_.next(event, [] {
            if (!gtk_events_pending()) return false;
            gtk_main_iteration_do(FALSE);
            return true;
        });
    }

    bool openWebAddress(const std::string& address) override {
        // The desktop's own opener first (it honours the user's browser choice), then GIO's.
        gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(address.c_str()), nullptr};
        if (g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr)) {
            return true;
        }
        return gtk_show_uri_on_window(nullptr, address.c_str(), GDK_CURRENT_TIME, nullptr);
    }

    void post(const DialogEvent& event) { events_.post(event); }

private:
    DialogEventQueue events_;
};

void onClicked(GtkButton*, gpointer data) {
    Control* c = static_cast<Control*>(data);
    if (c->window->updating()) return;
    c->window->toolkit().post(DialogEvent{DialogEvent::Kind::Command, c->window->dialogId(), c->id});
}

void onToggled(GtkToggleButton* button, gpointer data) {
    Control* c = static_cast<Control*>(data);
    if (c->window->updating()) return;
    // A radio button that is switched off because its neighbour was clicked sends nothing.
    if (c->kind == ControlKind::RadioButton && !gtk_toggle_button_get_active(button)) return;
    c->window->toolkit().post(DialogEvent{DialogEvent::Kind::Command, c->window->dialogId(), c->id});
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    GtkDialogWindow* window = static_cast<GtkDialogWindow*>(data);
    window->toolkit().post(DialogEvent{DialogEvent::Kind::Close, window->dialogId(), 0});
    return TRUE;  // the dialog logic decides what closing means
}

void ellipsizeChildLabel(GtkWidget* widget) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
    if (child && GTK_IS_LABEL(child)) gtk_label_set_ellipsize(GTK_LABEL(child), PANGO_ELLIPSIZE_END);
}

// A picture blob decoded; null when there is none or it cannot be decoded. The caller unrefs it.
GdkPixbuf* pictureOf(const char* type, unsigned blobId) {
    BlobView blob = findBlob(type, blobId);
    if (!blob.data || blob.size == 0) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    bool decoded = gdk_pixbuf_loader_write(loader, blob.data, blob.size, nullptr);
    decoded = gdk_pixbuf_loader_close(loader, nullptr) && decoded;
    GdkPixbuf* pixbuf = decoded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf) g_object_ref(pixbuf);
    g_object_unref(loader);
    return pixbuf;
}

GtkWidget* pictureWidget(unsigned blobId, int width, int height) {
    GtkWidget* image = gtk_image_new();
    GdkPixbuf* pixbuf = pictureOf("BITMAP", blobId);
    if (pixbuf) {
        GdkPixbuf* scaled = gdk_pixbuf_scale_simple(pixbuf, width, height, GDK_INTERP_BILINEAR);
        if (scaled) {
            gtk_image_set_from_pixbuf(GTK_IMAGE(image), scaled);
            g_object_unref(scaled);
        }
        g_object_unref(pixbuf);
    }
    return image;
}

GtkDialogWindow::GtkDialogWindow(GtkToolkit& toolkit, const DialogTemplate& layout, GtkDialogWindow* owner)
    : toolkit_(toolkit), dialogId_(layout.id) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), layout.caption);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner) {
        gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(owner->gtkWindow()));
        gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, dialogUnitsToPixelsX(layout.width),
                                dialogUnitsToPixelsY(layout.height));
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    // Frames first, so that they lie beneath the controls inside them.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < layout.controlCount; ++i) {
            const ControlTemplate& item = layout.controls[i];
            if ((item.kind == ControlKind::Frame) != (pass == 0)) continue;
            auto control = std::make_unique<Control>();
            control->window = this;
            control->id = item.id;
            control->kind = item.kind;
            GtkWidget* widget = buildControl(item, *control);
            control->widget = widget;
            const int height = item.kind == ControlKind::DropDownList && item.height > kClosedListHeight
                                   ? kClosedListHeight
                                   : item.height;
            gtk_widget_set_size_request(widget, dialogUnitsToPixelsX(item.width),
                                        dialogUnitsToPixelsY(height));
            gtk_fixed_put(GTK_FIXED(fixed), widget, dialogUnitsToPixelsX(item.x),
                          dialogUnitsToPixelsY(item.y));
            controls_.push_back(std::move(control));
        }
    }
    gtk_widget_show_all(fixed);
}

GtkWidget* GtkDialogWindow::buildControl(const ControlTemplate& item, Control& control) {
    const char* text = item.text ? item.text : "";
    GtkWidget* widget = nullptr;
    switch (item.kind) {
        case ControlKind::Frame:
            widget = gtk_frame_new(*text ? text : nullptr);
            break;
        case ControlKind::DropDownList:
            widget = gtk_combo_box_text_new();
            break;
        case ControlKind::CheckBox:
            widget = gtk_check_button_new_with_label(text);
            ellipsizeChildLabel(widget);
            g_signal_connect(widget, "toggled", G_CALLBACK(onToggled), &control);
            break;
        case ControlKind::RadioButton:
            widget = gtk_radio_button_new_with_label(radioGroup_, text);
            radioGroup_ = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
            ellipsizeChildLabel(widget);
            g_signal_connect(widget, "toggled", G_CALLBACK(onToggled), &control);
            break;
        case ControlKind::Label:
            widget = gtk_label_new(text);
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
            gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_END);
            if (item.height >= 2 * kTextLineHeight) {
                // A label tall enough for several lines wraps, as a static text control does.
                gtk_label_set_line_wrap(GTK_LABEL(widget), TRUE);
                gtk_label_set_lines(GTK_LABEL(widget), item.height / kTextLineHeight);
                gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
            } else {
                gtk_label_set_yalign(GTK_LABEL(widget), 0.5f);
            }
            break;
        case ControlKind::Slider:
            widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
            gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
            gtk_scale_set_digits(GTK_SCALE(widget), 0);
            break;
        case ControlKind::Button:
            widget = gtk_button_new_with_label(text);
            ellipsizeChildLabel(widget);
            g_signal_connect(widget, "clicked", G_CALLBACK(onClicked), &control);
            break;
        case ControlKind::Picture:
            widget = pictureWidget(item.pictureId, dialogUnitsToPixelsX(item.width),
                                   dialogUnitsToPixelsY(item.height));
            break;
    }
    return widget;
}

void GtkDialogWindow::setText(int control, const std::string& text) {
    Control* c = find(control);
    if (!c) return;
    switch (c->kind) {
        case ControlKind::Frame:
            gtk_frame_set_label(GTK_FRAME(c->widget), text.empty() ? nullptr : text.c_str());
            break;
        case ControlKind::Label:
            gtk_label_set_text(GTK_LABEL(c->widget), text.c_str());
            break;
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::Button:
            gtk_button_set_label(GTK_BUTTON(c->widget), text.c_str());
            ellipsizeChildLabel(c->widget);
            break;
        default:
            break;
    }
}

std::string GtkDialogWindow::text(int control) const {
    const Control* c = find(control);
    const char* value = nullptr;
    if (c && c->kind == ControlKind::Frame) value = gtk_frame_get_label(GTK_FRAME(c->widget));
    if (c && c->kind == ControlKind::Label) value = gtk_label_get_text(GTK_LABEL(c->widget));
    if (c && (c->kind == ControlKind::CheckBox || c->kind == ControlKind::RadioButton ||
              c->kind == ControlKind::Button)) {
        value = gtk_button_get_label(GTK_BUTTON(c->widget));
    }
    return value ? value : "";
}

void GtkDialogWindow::setChecked(int control, bool checked) {
    Control* c = find(control);
    if (!c || (c->kind != ControlKind::CheckBox && c->kind != ControlKind::RadioButton)) return;
    // GTK keeps one radio button of a group on: switching one off only works by switching its
    // neighbour on, which callers do by setting both.
    updating_ = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widget), checked);
    updating_ = false;
}

bool GtkDialogWindow::isChecked(int control) const {
    const Control* c = find(control);
    if (!c || (c->kind != ControlKind::CheckBox && c->kind != ControlKind::RadioButton)) return false;
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c->widget));
}

void GtkDialogWindow::setListItems(int control, const std::vector<std::string>& items) {
    Control* c = find(control, ControlKind::DropDownList);
    if (!c) return;
    updating_ = true;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(c->widget));
    for (const std::string& item : items)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(c->widget), item.c_str());
    c->itemCount = static_cast<int>(items.size());
    updating_ = false;
}

void GtkDialogWindow::setListSelection(int control, int index) {
    Control* c = find(control, ControlKind::DropDownList);
    if (!c) return;
    updating_ = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(c->widget), index >= 0 && index < c->itemCount ? index : -1);
    updating_ = false;
}

}  // namespace

std::unique_ptr<DialogToolkit> createDialogToolkit(std::string& reason, std::uint32_t /*hostWindow*/) {
    static bool initialised = false;
    static bool available = false;
    if (!initialised) {
        initialised = true;
        available = gtk_init_check(nullptr, nullptr);
        // Every dialog window shows the program's icon.
        if (available) {
            if (GdkPixbuf* icon = pictureOf(kProgramIconType, kProgramIconId)) {
                gtk_window_set_default_icon(icon);
                g_object_unref(icon);
            }
        }
    }
    if (!available) {
        const char* display = g_getenv("DISPLAY");
        reason = display && *display ? std::string("cannot open display ") + display : "DISPLAY is not set";
        return nullptr;
    }
    return std::make_unique<GtkToolkit>();
}

}  // namespace platform
