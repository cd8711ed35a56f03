#include "core/form.h"

#include <cstdlib>

namespace quellar {

Control::Control(const ControlDecl& decl)
    : kind_(decl.kind),
      name_(decl.name),
      index_(decl.index),
      frame_(decl.frame ? decl.frame : ""),
      rect_(decl.rect),
      text_(decl.caption ? decl.caption : "") {}

void Control::changed() {
    if (onModelChanged) onModelChanged(*this);
}

void Control::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    changed();
    if (kind_ == ControlKind::TextBox && onChange) onChange();
}

void Control::setValue(int value) {
    if (value == value_) return;
    value_ = value;
    if (kind_ == ControlKind::OptionButton && value_ != 0 && onOptionSelected)
        onOptionSelected(*this);
    changed();
    // A check box or option button raises its click whenever its value is
    // set to something new, from code as much as from the mouse; an option
    // button only when it becomes selected.
    if (kind_ == ControlKind::CheckBox && onClick) onClick();
    if (kind_ == ControlKind::OptionButton && value_ != 0 && onClick) onClick();
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed();
}

void Control::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    changed();
}

void Control::userClick() {
    if (!enabled_) return;
    switch (kind_) {
    case ControlKind::CheckBox:
        setValue(value_ == 1 ? 0 : 1);  // raises onClick
        return;
    case ControlKind::OptionButton:
        if (value_ == 0) {
            setValue(1);  // raises onClick
            return;
        }
        break;
    default:
        break;
    }
    if (onClick) onClick();
}

void Control::userText(const std::string& text) {
    setText(text);
}

Form::Form(std::string name, std::string caption, PixelRect client,
           const std::vector<ControlDecl>& decls)
    : name_(std::move(name)), caption_(std::move(caption)), client_(client) {
    controls_.reserve(decls.size());
    for (const ControlDecl& decl : decls) {
        controls_.push_back(std::make_unique<Control>(decl));
    }
    for (auto& control : controls_) {
        if (control->kind() != ControlKind::OptionButton) continue;
        // Option buttons form one group per container, as on a real form.
        control->onOptionSelected = [this](Control& selected) {
            for (auto& other : controls_) {
                if (other.get() != &selected && other->kind() == ControlKind::OptionButton &&
                    other->frame() == selected.frame()) {
                    other->setValue(0);
                }
            }
        };
    }
}

Control* Form::find(const std::string& name, int index) {
    for (auto& control : controls_) {
        if (control->name() == name && control->index() == index) return control.get();
    }
    return nullptr;
}

Control& Form::get(const std::string& name, int index) {
    Control* control = find(name, index);
    // Asking for a control the form does not declare is a programming
    // error that the first test of that form shows; stop at once.
    if (!control) std::abort();
    return *control;
}

}  // namespace quellar
