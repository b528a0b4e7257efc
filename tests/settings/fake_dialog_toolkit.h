#pragma once
// A dialog toolkit without a display: windows remember what was set on them, events are queued by
// the test, and the web addresses asked for are recorded.

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"

namespace settings_test {

class FakeDialogWindow : public platform::DialogWindow {
public:
    explicit FakeDialogWindow(const platform::DialogTemplate& layout) : caption_(layout.caption) {
        for (std::size_t i = 0; i < layout.controlCount; ++i) {
            const platform::ControlTemplate& request = layout.controls[i];
            if (request.id == -1) continue;
            Control& c = controls_[request.id];
            c.kind = request.kind;
            c.text = request.text ? request.text : "";
        }
    }
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setText(int id, const std::string& text) override {
        if (Control* c = find(id)) c->text = text;
    }
    std::string text(int id) const override { return has(id) ? controls_.at(id).text : ""; }
    void setChecked(int id, bool checked) override {
        Control* c = find(id);
        if (!c) return;
        if (c->kind == platform::ControlKind::RadioButton && checked) {
            for (auto& entry : controls_) {
                if (entry.second.kind == platform::ControlKind::RadioButton) entry.second.checked = false;
            }
        }
        c->checked = checked;
    }
    bool isChecked(int id) const override { return has(id) && controls_.at(id).checked; }
    void setEnabled(int id, bool enabled) override {
        if (Control* c = find(id)) c->enabled = enabled;
    }
    bool isEnabled(int id) const override { return has(id) && controls_.at(id).enabled; }
    void setSliderRange(int id, int minimum, int maximum) override {
        if (Control* c = find(id)) c->minimum = minimum, c->maximum = maximum;
    }
    void setSliderPosition(int id, int position) override {
        Control* c = find(id);
        if (c)
            c->position =
                position < c->minimum ? c->minimum : (position > c->maximum ? c->maximum : position);
    }
    int sliderPosition(int id) const override { return has(id) ? controls_.at(id).position : 0; }
    void setListItems(int id, const std::vector<std::string>& items) override {
        if (Control* c = find(id)) c->items = items;
    }
    void setListSelection(int id, int index) override {
        Control* c = find(id);
        if (c) c->selection = index >= 0 && index < static_cast<int>(c->items.size()) ? index : -1;
    }
    int listSelection(int id) const override { return has(id) ? controls_.at(id).selection : -1; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool isVisible() const override { return visible_; }

    std::vector<std::string> listItems(int id) const {
        return has(id) ? controls_.at(id).items : std::vector<std::string>{};
    }
    // What a user's click on a check box or radio button does to the widget before the command arrives.
    void click(int id) {
        Control* c = find(id);
        if (!c) return;
        if (c->kind == platform::ControlKind::RadioButton) setChecked(id, true);
        if (c->kind == platform::ControlKind::CheckBox) c->checked = !c->checked;
    }

private:
    struct Control {
        platform::ControlKind kind = platform::ControlKind::Label;
        std::string text;
        bool checked = false;
        bool enabled = true;
        int minimum = 0, maximum = 0, position = 0;
        std::vector<std::string> items;
        int selection = -1;
    };
    bool has(int id) const { return controls_.count(id) != 0; }
    Control* find(int id) {
        auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : &it->second;
    }

    std::string caption_;
    bool visible_ = false;
    std::map<int, Control> controls_;
};

class FakeDialogToolkit : public platform::DialogToolkit {
public:
    std::unique_ptr<platform::DialogWindow> createDialog(const platform::DialogTemplate& layout,
                                                         platform::DialogWindow* owner) override {
        if (failCreation) return nullptr;
        auto window = std::make_unique<FakeDialogWindow>(layout);
        windows[layout.id] = window.get();
        owners[layout.id] = owner;
        return window;
    }
    bool pollEvent(platform::DialogEvent& event) override {
        ++polls;
        if (events.empty()) return false;
        event = events.front();
        events.pop_front();
        return true;
    }
    bool openWebAddress(const std::string& address) override {
        openedAddresses.push_back(address);
        return true;
    }

    bool failCreation = false;
    std::map<int, FakeDialogWindow*> windows;
    std::map<int, platform::DialogWindow*> owners;
    std::deque<platform::DialogEvent> events;
    std::vector<std::string> openedAddresses;
    int polls = 0;
};

}  // namespace settings_test
