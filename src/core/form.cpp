#include "core/form.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "core/text.h"

namespace quellar {

ControlOptions ControlOptions::textBox(int maxLength, bool readOnly, bool multiLine) {
    ControlOptions o;
    o.maxLength = maxLength;
    o.readOnly = readOnly;
    o.multiLine = multiLine;
    return o;
}

ControlOptions ControlOptions::dropDown(std::vector<std::string> entries) {
    ControlOptions o;
    o.entries = std::move(entries);
    return o;
}

ControlOptions ControlOptions::listView(std::vector<ListColumn> columns) {
    ControlOptions o;
    o.columns = std::move(columns);
    return o;
}

ControlOptions ControlOptions::slider(int minimum, int maximum, int smallChange, int largeChange,
                                      bool ticks) {
    ControlOptions o;
    o.minimum = minimum;
    o.maximum = maximum;
    o.smallChange = smallChange;
    o.largeChange = largeChange;
    o.ticks = ticks;
    return o;
}

ControlOptions ControlOptions::upDown(int minimum, int maximum, int step, const char* buddy) {
    ControlOptions o;
    o.minimum = minimum;
    o.maximum = maximum;
    o.smallChange = step;
    o.largeChange = step;
    o.buddy = buddy;
    return o;
}

ControlOptions ControlOptions::graph(std::uint32_t lineColour, int samples) {
    ControlOptions o;
    o.lineColour = lineColour;
    o.samples = samples > 1 ? samples : 2;
    return o;
}

ControlOptions ControlOptions::defaultButton() {
    ControlOptions o;
    o.isDefault = true;
    return o;
}

ControlOptions ControlOptions::cancelButton() {
    ControlOptions o;
    o.isCancel = true;
    return o;
}

ControlDecl with(ControlDecl decl, ControlOptions options) {
    decl.options = std::make_shared<const ControlOptions>(std::move(options));
    return decl;
}

namespace {
const std::shared_ptr<const ControlOptions>& noOptions() {
    static const auto none = std::make_shared<const ControlOptions>();
    return none;
}
}  // namespace

Control::Control(const ControlDecl& decl)
    : kind_(decl.kind),
      name_(decl.name),
      index_(decl.index),
      frame_(decl.frame ? decl.frame : ""),
      rect_(decl.rect),
      text_(decl.caption ? decl.caption : ""),
      options_(decl.options ? decl.options : noOptions()) {}

void Control::changed() {
    if (onModelChanged) onModelChanged(*this);
}

void Control::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    changed();
    // A refusal spoke of the text that was there.
    clearProblem();
    if (onLinkedChange) onLinkedChange(*this);
    if (kind_ == ControlKind::TextBox) raise(onChange);
}

void Control::setValue(int value) {
    value = clampValue(value);
    if (value == value_) return;
    value_ = value;
    valueChanged();
    if (kind_ == ControlKind::OptionButton && value_ != 0 && onOptionSelected)
        onOptionSelected(*this);
    changed();
    if (onLinkedChange) onLinkedChange(*this);
    // A check box or option button raises its click whenever its value is
    // set to something new, from code as much as from the mouse; an option
    // button only when it becomes selected. A value control raises its change.
    switch (kind_) {
    case ControlKind::CheckBox: raise(onClick); break;
    case ControlKind::OptionButton: if (value_ != 0) raise(onClick); break;
    case ControlKind::ComboBox:
    case ControlKind::Slider:
    case ControlKind::UpDown: raise(onChange); break;
    default: break;
    }
}

void Control::setValueQuietly(int value) {
    quietly([&] { setValue(value); });
}

void Control::setTextQuietly(const std::string& text) {
    quietly([&] { setText(text); });
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
    raise(onClick);
}

void Control::userText(const std::string& text) {
    setText(text);
}

void Control::userLeave() {
    raise(onLeave);
}

void Control::refuse(const std::string& message) {
    problem_ = message;
    if (onProblemChanged) onProblemChanged(*this);
    requestFocus();
}

void Control::clearProblem() {
    if (problem_.empty()) return;
    problem_.clear();
    if (onProblemChanged) onProblemChanged(*this);
}

void Control::requestFocus() {
    ++focusRequests_;
    if (onFocusRequested) onFocusRequested(*this);
}

// ---- List --------------------------------------------------------------

ListControl::ListControl(const ControlDecl& decl) : Control(decl) {
    marks_.resize(columns().size(), SortMark::None);
}

SortMark ListControl::sortMark(int column) const {
    if (column < 0 || column >= static_cast<int>(marks_.size())) return SortMark::None;
    return marks_[static_cast<std::size_t>(column)];
}

void ListControl::setSortMark(int column, SortMark mark) {
    if (column < 0 || column >= static_cast<int>(marks_.size())) return;
    if (marks_[static_cast<std::size_t>(column)] == mark) return;
    marks_[static_cast<std::size_t>(column)] = mark;
    ++marksVersion_;
    changed();
}

int ListControl::addRow(std::vector<std::string> cells, std::any datum) {
    rows_.push_back({std::move(cells), std::move(datum), cellsVersion_});
    ++rowsVersion_;
    changed();
    return static_cast<int>(rows_.size()) - 1;
}

void ListControl::updateRow(int row, std::vector<std::string> cells, std::any datum) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    Row& changedRow = rows_[static_cast<std::size_t>(row)];
    changedRow.cells = std::move(cells);
    changedRow.datum = std::move(datum);
    changedRow.cellsVersion = ++cellsVersion_;
    changed();
}

void ListControl::removeRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    rows_.erase(rows_.begin() + row);
    ++rowsVersion_;
    if (selected_ == row) {
        selected_ = -1;
    } else if (selected_ > row) {
        --selected_;
    }
    changed();
    if (selected_ == -1) raise(onSelectionChanged);
}

void ListControl::clear() {
    const bool hadSelection = selected_ != -1;
    rows_.clear();
    selected_ = -1;
    ++rowsVersion_;
    changed();
    if (hadSelection) raise(onSelectionChanged);
}

const ListControl::Row* ListControl::selected() const {
    return selected_ < 0 ? nullptr : &rows_[static_cast<std::size_t>(selected_)];
}

void ListControl::select(int row) {
    if (row < -1 || row >= static_cast<int>(rows_.size())) row = -1;
    if (row == selected_) return;
    selected_ = row;
    changed();
    raise(onSelectionChanged);
}

void ListControl::sort(const std::function<bool(const Row&, const Row&)>& less) {
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return less(rows_[a], rows_[b]);
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    int newSelected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == selected_) newSelected = static_cast<int>(i);
        sorted.push_back(std::move(rows_[order[i]]));
    }
    rows_ = std::move(sorted);
    selected_ = newSelected;
    ++rowsVersion_;
    changed();
}

void ListControl::userColumnClick(int column) {
    if (column < 0 || column >= static_cast<int>(columns().size())) return;
    if (onColumnClick && !quiet()) onColumnClick(column);
}

void ListControl::userSelect(int row) { select(row); }

void ListControl::userMouseUp() { raise(onMouseUp); }

// ---- Drop-down ---------------------------------------------------------

ChoiceControl::ChoiceControl(const ControlDecl& decl) : Control(decl), entries_(options().entries) {
    quietly([&] { setValue(-1); });
}

void ChoiceControl::setEntries(std::vector<std::string> entries) {
    entries_ = std::move(entries);
    quietly([&] { setValue(-1); });
    showText("");
    changed();
}

void ChoiceControl::valueChanged() {
    showText(value() < 0 ? std::string() : entries_[static_cast<std::size_t>(value())]);
}

int ChoiceControl::clampValue(int value) const {
    return value >= 0 && value < static_cast<int>(entries_.size()) ? value : -1;
}

// ---- Slider and up-down ------------------------------------------------

RangeControl::RangeControl(const ControlDecl& decl)
    : Control(decl), minimum_(options().minimum), maximum_(options().maximum) {
    quietly([&] { setValue(minimum_); });
}

int RangeControl::clampValue(int value) const {
    return std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
}

void RangeControl::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    changed();
    setValue(value());  // back inside the range, raising onChange if it moved
}

void RangeControl::userScroll(int value) {
    if (!enabled()) return;
    setValue(value);
    raise(onClick);
}

// ---- Graph -------------------------------------------------------------

GraphControl::GraphControl(const ControlDecl& decl) : Control(decl) {}

void GraphControl::setSample(double value) {
    last_ = value;
    ++samplesSet_;
    samples_.push_back(value);
    while (static_cast<int>(samples_.size()) > capacity()) samples_.pop_front();
    changed();
}

void GraphControl::setZoom(int zoom) {
    zoom = std::clamp(zoom, kMinimumZoom, kMaximumZoom);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    changed();
}

int graphRow(double sample, int zoom, int height) {
    if (height <= 1) return 0;
    zoom = std::clamp(zoom, GraphControl::kMinimumZoom, GraphControl::kMaximumZoom);
    const double top = 100.0 * GraphControl::kMinimumZoom / zoom;
    double fraction = sample / top;
    if (!(fraction > 0)) fraction = 0;  // also NaN
    if (fraction > 1) fraction = 1;
    return static_cast<int>(fraction * (height - 1) + 0.5);
}

// ---- Form ----------------------------------------------------------------

namespace {
std::unique_ptr<Control> makeControl(const ControlDecl& decl) {
    switch (decl.kind) {
    case ControlKind::ListView: return std::make_unique<ListControl>(decl);
    case ControlKind::ComboBox: return std::make_unique<ChoiceControl>(decl);
    case ControlKind::Slider:
    case ControlKind::UpDown: return std::make_unique<RangeControl>(decl);
    case ControlKind::Graph: return std::make_unique<GraphControl>(decl);
    default: return std::make_unique<Control>(decl);
    }
}

template <typename T>
T& typed(Control& control, ControlKind a, ControlKind b) {
    // A behaviour asking for the wrong kind is a programming error that its
    // first test shows.
    if (control.kind() != a && control.kind() != b) std::abort();
    return static_cast<T&>(control);
}
}  // namespace

Form::Form(std::string name, std::string caption, PixelRect client,
           const std::vector<ControlDecl>& decls)
    : name_(std::move(name)), caption_(std::move(caption)), client_(client) {
    controls_.reserve(decls.size());
    for (const ControlDecl& decl : decls) controls_.push_back(makeControl(decl));
    for (auto& control : controls_) {
        if (control->kind() == ControlKind::UpDown)
            bindBuddy(static_cast<RangeControl&>(*control));
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

void Form::bindBuddy(RangeControl& upDown) {
    const char* buddyName = upDown.options().buddy;
    Control* buddy = buddyName ? find(buddyName) : nullptr;
    if (!buddy) return;
    // The box shows the up-down's value; a whole number typed into the box
    // within the range becomes the up-down's value. Quiet changes stay quiet
    // on the other side too.
    upDown.onLinkedChange = [buddy](Control& self) {
        // A box that already reads as the value keeps its text: it may be
        // what the user is typing ("0100" while the up-down holds 100).
        const auto already = text::parseWhole(text::trim(buddy->text()), self.value(), self.value());
        if (already) return;
        const std::string shown = std::to_string(self.value());
        if (self.quiet()) buddy->setTextQuietly(shown);
        else buddy->setText(shown);
    };
    buddy->onLinkedChange = [&upDown](Control& self) {
        const auto number = text::parseWhole(text::trim(self.text()), upDown.minimum(), upDown.maximum());
        if (number) upDown.setValueQuietly(static_cast<int>(*number));
    };
    // A box declared with a number in range starts the up-down there;
    // otherwise the box shows where the up-down starts.
    const auto initial = text::parseWhole(text::trim(buddy->text()), upDown.minimum(), upDown.maximum());
    if (initial) upDown.setValueQuietly(static_cast<int>(*initial));
    buddy->setTextQuietly(std::to_string(upDown.value()));
}

void Form::showProblemsIn(const std::string& label) {
    Control& line = get(label);
    line.setText("");
    line.setVisible(false);
    for (auto& control : controls_) {
        control->onProblemChanged = [this, &line](const Control& box) {
            if (!box.problem().empty()) {
                problemShown_ = &box;
                line.setText(box.problem());
                line.setVisible(true);
            } else if (problemShown_ == &box) {
                problemShown_ = nullptr;
                line.setVisible(false);
                line.setText("");
            }
        };
    }
}

void Form::showProblemBeside(const std::string& box, const std::string& label) {
    Control& line = get(label);
    get(box).onProblemChanged = [&line, caption = line.text()](const Control& refused) {
        line.setText(refused.problem().empty() ? caption : refused.problem());
    };
}

Control* Form::find(const std::string& name, int index) {
    for (auto& control : controls_) {
        if (control->name() == name && control->index() == index) return control.get();
    }
    return nullptr;
}

const Control* Form::find(const std::string& name, int index) const {
    return const_cast<Form*>(this)->find(name, index);
}

Control& Form::get(const std::string& name, int index) {
    Control* control = find(name, index);
    // Asking for a control the form does not declare is a programming
    // error that the first test of that form shows; stop at once.
    if (!control) std::abort();
    return *control;
}

ListControl& Form::list(const std::string& name) {
    return typed<ListControl>(get(name), ControlKind::ListView, ControlKind::ListView);
}

ChoiceControl& Form::choice(const std::string& name) {
    return typed<ChoiceControl>(get(name), ControlKind::ComboBox, ControlKind::ComboBox);
}

RangeControl& Form::range(const std::string& name) {
    return typed<RangeControl>(get(name), ControlKind::Slider, ControlKind::UpDown);
}

GraphControl& Form::graph(const std::string& name) {
    return typed<GraphControl>(get(name), ControlKind::Graph, ControlKind::Graph);
}

bool Form::isShown(const Control& control) const {
    const Control* current = &control;
    // Frames nest only a few levels; the bound guards against a table whose
    // frames name each other.
    for (std::size_t depth = 0; current && depth <= controls_.size(); ++depth) {
        if (!current->visible()) return false;
        if (current->frame().empty()) return true;
        const Control* holder = nullptr;
        for (const auto& c : controls_) {
            if (c->name() == current->frame() && c->index() == -1) holder = c.get();
        }
        current = holder;
    }
    return current == nullptr;
}

Pages::Pages(Form& form, std::vector<std::string> frames) : form_(form), frames_(std::move(frames)) {}

void Pages::show(int page) {
    if (page < 0 || page >= count()) return;
    current_ = page;
    for (int i = 0; i < count(); ++i) form_[frames_[static_cast<std::size_t>(i)]].setVisible(i == page);
}

}  // namespace quellar
