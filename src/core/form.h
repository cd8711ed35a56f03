#pragma once
// Light control models. A feature window is declared as a table of
// ControlDecl rows; its behaviour is written against the Control models that
// the table yields, never against window handles, so it runs and is tested
// natively. On Windows a binder (win/binder_win.h) creates the real controls
// from the same table, forwards the user's actions to the models and pushes
// model changes back to the controls.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quellar {

enum class ControlKind {
    Button,
    CheckBox,
    OptionButton,
    Frame,
    Label,      // plain label: no window of its own in the original design
    SkinLabel,  // a label of the skin library: a window, skinned as "Label"
    TextBox,
    ComboBox,
    ListView,
    Slider,
    UpDown,
    Picture,
    Graph,
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ControlDecl {
    ControlKind kind;
    const char* name;
    const char* caption;
    PixelRect rect;            // relative to the containing frame, or the form
    const char* frame = nullptr;  // name of the containing frame, if any
    int index = -1;            // element of a control array, -1 otherwise
};

class Control {
public:
    Control(const ControlDecl& decl);

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }
    const std::string& frame() const { return frame_; }
    const PixelRect& rect() const { return rect_; }

    // Caption of a button, frame or label; contents of a text box. Setting a
    // different text on a text box raises onChange.
    const std::string& text() const { return text_; }
    void setText(const std::string& text);

    // Check box: 0 clear, 1 checked, 2 grey. Option button: 0 or 1. Slider,
    // up-down: the position. Setting a different value on a check box or
    // option button raises onClick, as a user's click would.
    int value() const { return value_; }
    void setValue(int value);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    bool visible() const { return visible_; }
    void setVisible(bool visible);

    // The user's own actions, reported by the view: a click toggles a check
    // box or selects an option button before onClick runs.
    void userClick();
    void userText(const std::string& text);

    std::function<void()> onClick;
    std::function<void()> onChange;

    // Set by the view that shows this control; called after every change to
    // the model so the view can follow it.
    std::function<void(const Control&)> onModelChanged;
    // Set by the form so that selecting an option button clears the others
    // of its container.
    std::function<void(Control&)> onOptionSelected;

private:
    void changed();

    ControlKind kind_;
    std::string name_;
    int index_;
    std::string frame_;
    PixelRect rect_;
    std::string text_;
    int value_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
};

class Form {
public:
    Form(std::string name, std::string caption, PixelRect client,
         const std::vector<ControlDecl>& decls);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    const PixelRect& client() const { return client_; }

    // In declaration order: the order of the form's control collection.
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    // Looks a control up by name (and array index). Asking for a control the
    // form does not declare is a programming error and aborts.
    Control& operator[](const std::string& name) { return get(name, -1); }
    Control& get(const std::string& name, int index = -1);
    Control* find(const std::string& name, int index = -1);

private:
    std::string name_;
    std::string caption_;
    PixelRect client_;
    std::vector<std::unique_ptr<Control>> controls_;
};

}  // namespace quellar
