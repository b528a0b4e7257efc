#pragma once
// Dialog windows built from a template of controls (ids, kinds, texts, rectangles in dialog units),
// their message pump and the web-browser launch. The options dialog's logic lives in portable code
// and talks to the widgets only through this interface; the Linux backend builds them with GTK 3,
// the Windows backend from the executable's dialog resources of the same ids.
//
//   ControlKind, ControlTemplate, DialogTemplate   what a dialog holds and where
//   DialogWindow                                   one created dialog: texts, states, visibility
//   DialogEvent, DialogToolkit                     creation, the non-blocking pump, the browser
//   createDialogToolkit()                          the platform's toolkit, or null without a display
//   DialogEventQueue                               the pump's order, for the backends

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class ControlKind {
    Frame,         // a group box with its caption in the top border
    DropDownList,  // a closed list the user opens to pick one item
    CheckBox,      // automatic: the click flips it
    RadioButton,   // automatic: all radio buttons of one dialog form one group
    Label,
    Slider,  // horizontal, no tick marks
    Button,
    Picture,  // a bitmap blob ("BITMAP", pictureId) scaled into the rectangle; empty without one
};

struct ControlTemplate {
    int id;  // -1 for a control nothing refers to
    ControlKind kind;
    const char* text;         // UTF-8; for pictures and lists unused
    int x, y, width, height;  // dialog units
    unsigned pictureId;       // Picture only
};

struct DialogTemplate {
    int id;               // reported back in DialogEvent::dialogId
    const char* caption;  // UTF-8
    int width, height;    // client area in dialog units
    const ControlTemplate* controls;
    std::size_t controlCount;
};

// Dialog units to pixels at the usual 8-point dialog font (4 horizontal units are 6 pixels, 8
// vertical units are 13 pixels).
inline int dialogUnitsToPixelsX(int units) { return (units * 6 + 2) / 4; }
inline int dialogUnitsToPixelsY(int units) { return (units * 13 + 4) / 8; }

// One dialog. Every setter works on the control with that id and does nothing for an unknown id;
// none of them produces a DialogEvent. Getters of an unknown id give "", false, 0 or -1.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    virtual void setText(int control, const std::string& text) = 0;
    virtual std::string text(int control) const = 0;
    virtual void setChecked(int control, bool checked) = 0;
    virtual bool isChecked(int control) const = 0;
    virtual void setEnabled(int control, bool enabled) = 0;
    virtual bool isEnabled(int control) const = 0;
    virtual void setSliderRange(int control, int minimum, int maximum) = 0;
    // Positions outside the range are pinned to it.
    virtual void setSliderPosition(int control, int position) = 0;
    virtual int sliderPosition(int control) const = 0;
    virtual void setListItems(int control, const std::vector<std::string>& items) = 0;
    // -1 (or any index without an item) leaves no item selected.
    virtual void setListSelection(int control, int index) = 0;
    // The selected item, -1 when none is.
    virtual int listSelection(int control) const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
};

struct DialogEvent {
    enum class Kind {
        Other,    // a window-system message that needed nothing from the dialog logic
        Command,  // a button press or a user click on a check box or radio button
        Close,    // the user asked the window manager to close the dialog
    };
    Kind kind = Kind::Other;
    int dialogId = 0;   // DialogTemplate::id of the dialog concerned
    int controlId = 0;  // Command only
};

class DialogToolkit {
public:
    virtual ~DialogToolkit() = default;
    // Builds a dialog from `layout`, hidden. With an owner it stays above the owner and goes with it;
    // the owner must outlive it. Null when the dialog cannot be built. The caller owns the result.
    virtual std::unique_ptr<DialogWindow> createDialog(const DialogTemplate& layout, DialogWindow* owner) = 0;
    // Takes one waiting message without blocking and reports what it meant. False when none was waiting.
    virtual bool pollEvent(DialogEvent& event) = 0;
    // Opens the address in the user's default web browser without waiting for it. False when no
    // browser could be started.
    virtual bool openWebAddress(const std::string& address) = 0;
};

// How a toolkit's pump hands out what its widgets say: the events one window-system message raised
// (a click may raise several) are queued and handed out one per pollEvent, before the next message
// is taken.
class DialogEventQueue {
public:
    // Called by the backend's widget callbacks.
    void post(const DialogEvent& event) { pending_.push_back(event); }

    // One pass of the pump: the oldest event not yet handed out; else the window system's next
    // message, handled by `handleOneMessage` (which returns false when none was waiting), and the
    // first event it raised, or an Other event when it raised none. False when nothing was waiting.
    template <typename HandleOneMessage>
    bool next(DialogEvent& event, HandleOneMessage handleOneMessage) {
        if (pending_.empty() && !handleOneMessage()) return false;
        event = DialogEvent{};
        if (!pending_.empty()) {
            event = pending_.front();
            pending_.pop_front();
        }
        return true;
    }

private:
    std::deque<DialogEvent> pending_;
};

// The platform's toolkit. Null when there is no display to show dialogs on; `reason` then says why.
// `hostWindow` is the number of the window that asked for the dialogs (the display settings page
// on Windows), 0 for none: on Windows, dialogs created without an owner are owned by it and stay
// above it; a number that names no window counts as none. The GTK toolkit does not use it.
std::unique_ptr<DialogToolkit> createDialogToolkit(std::string& reason, std::uint32_t hostWindow);

}  // namespace platform
