#pragma once
// Light control models. A feature window is declared as a table of
// ControlDecl rows; its behaviour is written against the Control models that
// the table yields, never against window handles, so it runs and is tested
// natively. On Windows a binder (ui/form/binder_win.h) creates the real controls
// from the same table, forwards the user's actions to the models and pushes
// model changes back to the controls.
#include <any>
#include <cstdint>
#include <deque>
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

enum class Alignment { Left, Right, Center };

struct ListColumn {
    std::string caption;
    int width = 80;
    Alignment alignment = Alignment::Left;
};

// What a row of some kinds needs beyond kind, name, caption and place. One
// struct for all kinds, made by the named constructors below, so a table row
// stays short and only the rows that need more carry it.
struct ControlOptions {
    // Text box.
    int maxLength = 0;  // 0: no limit
    bool readOnly = false;
    bool multiLine = false;
    // Drop-down list.
    std::vector<std::string> entries;
    // List view (always the report view, whole rows selected).
    std::vector<ListColumn> columns;
    // Slider and up-down.
    int minimum = 0;
    int maximum = 100;
    int smallChange = 1;
    int largeChange = 10;
    bool ticks = true;
    const char* buddy = nullptr;  // up-down: the text box it keeps in step
    // Graph.
    std::uint32_t lineColour = 0x00FF00;  // 0xRRGGBB
    int samples = 60;
    // Button.
    bool isDefault = false;
    bool isCancel = false;

    static ControlOptions textBox(int maxLength, bool readOnly = false, bool multiLine = false);
    static ControlOptions dropDown(std::vector<std::string> entries);
    static ControlOptions listView(std::vector<ListColumn> columns);
    static ControlOptions slider(int minimum, int maximum, int smallChange, int largeChange,
                                 bool ticks);
    static ControlOptions upDown(int minimum, int maximum, int step, const char* buddy);
    static ControlOptions graph(std::uint32_t lineColour, int samples);
    static ControlOptions defaultButton();
    static ControlOptions cancelButton();
};

struct ControlDecl {
    ControlKind kind;
    const char* name;
    const char* caption;
    PixelRect rect;            // relative to the containing frame, or the form
    const char* frame = nullptr;  // name of the containing frame, if any
    int index = -1;            // element of a control array, -1 otherwise
    std::shared_ptr<const ControlOptions> options = nullptr;
};

// `decl` with `options` attached: {kind, name, ...} rows stay readable.
ControlDecl with(ControlDecl decl, ControlOptions options);

class Control {
public:
    explicit Control(const ControlDecl& decl);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }
    const std::string& frame() const { return frame_; }
    const PixelRect& rect() const { return rect_; }
    // The row's options; defaults for a row that has none.
    const ControlOptions& options() const { return *options_; }

    // Caption of a button, frame or label; contents of a text box. Setting a
    // different text on a text box raises onChange, and clears a refusal
    // (problem()): it spoke of the text that was there.
    const std::string& text() const { return text_; }
    void setText(const std::string& text);

    // Check box: 0 clear, 1 checked, 2 grey. Option button: 0 or 1. Slider,
    // up-down: the position. Setting a different value on a check box or
    // option button raises onClick, as a user's click would.
    int value() const { return value_; }
    void setValue(int value);

    // The same changes without raising onClick or onChange: for code that
    // sets what a control shows (a load, a page that fills its boxes) where
    // a user's action would mean more.
    void setValueQuietly(int value);
    void setTextQuietly(const std::string& text);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    bool visible() const { return visible_; }
    void setVisible(bool visible);

    // The user's own actions, reported by the view: a click toggles a check
    // box or selects an option button before onClick runs.
    void userClick();
    void userText(const std::string& text);
    // The keyboard focus left the control (to another control or window).
    void userLeave();

    // A box whose contents were refused: the one short line that says what
    // it accepts, shown beside it until the user types or it is cleared;
    // empty while nothing is refused. Refusing also asks the view to give
    // the box the keyboard with its text selected, so the next keys replace
    // it.
    const std::string& problem() const { return problem_; }
    void refuse(const std::string& message);
    void clearProblem();
    // How often the box has asked for the keyboard (refusals included).
    int focusRequests() const { return focusRequests_; }
    void requestFocus();

    std::function<void()> onClick;
    std::function<void()> onChange;
    std::function<void()> onLeave;

    // Set by the view that shows this control; called after every change to
    // the model so the view can follow it.
    std::function<void(const Control&)> onModelChanged;
    // Set by the form so that selecting an option button clears the others
    // of its container.
    std::function<void(Control&)> onOptionSelected;
    // Set by the form to keep a linked control in step (an up-down and its
    // text box); runs on every change, quiet or not.
    std::function<void(Control&)> onLinkedChange;
    // Set by the view: give this control the keyboard, its text selected.
    std::function<void(const Control&)> onFocusRequested;
    // Set by the form to show a refusal in the form's message line.
    std::function<void(const Control&)> onProblemChanged;

protected:
    void changed();
    // Runs `change` with every event of this control held back.
    template <typename F>
    void quietly(F&& change) {
        const bool was = quiet_;
        quiet_ = true;
        change();
        quiet_ = was;
    }
    virtual int clampValue(int value) const { return value; }
    virtual void valueChanged() {}
    void showText(const std::string& text) { text_ = text; }

    void raise(const std::function<void()>& event) {
        if (event && !quiet_) event();
    }

public:
    bool quiet() const { return quiet_; }

private:

private:
    ControlKind kind_;
    std::string name_;
    int index_;
    std::string frame_;
    PixelRect rect_;
    std::string text_;
    int value_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool quiet_ = false;
    std::string problem_;
    int focusRequests_ = 0;
    std::shared_ptr<const ControlOptions> options_;
};

// Which way a list's rows stand sorted by a column, as its header shows it.
enum class SortMark { None, Ascending, Descending };

// A report-view list: rows of texts, each with a datum the behaviour keeps
// with it (what it sorts and acts by), one selected row or none, and a sort
// mark per column header.
class ListControl : public Control {
public:
    struct Row {
        std::vector<std::string> cells;
        std::any datum;
        std::uint64_t cellsVersion = 0;  // the list's cellsVersion() when its texts last changed
    };

    explicit ListControl(const ControlDecl& decl);

    const std::vector<ListColumn>& columns() const { return options().columns; }
    SortMark sortMark(int column) const;
    // The header shows the mark (an arrow, or a mark in its caption).
    void setSortMark(int column, SortMark mark);
    // Counts every change of the marks, so a view updates its header only
    // when it must.
    std::uint64_t marksVersion() const { return marksVersion_; }

    const std::vector<Row>& rows() const { return rows_; }
    int addRow(std::vector<std::string> cells, std::any datum = {});
    void removeRow(int row);
    void clear();

    // -1 when no row is selected.
    int selectedRow() const { return selected_; }
    const Row* selected() const;
    // Raises onSelectionChanged when the selection moves.
    void select(int row);

    // Orders the rows by `less` (stable: rows that compare equal keep their
    // order); the selected row stays selected wherever it lands.
    void sort(const std::function<bool(const Row&, const Row&)>& less);

    // Counts every change of the rows (not of the selection), so a view
    // refills itself only when it must.
    std::uint64_t rowsVersion() const { return rowsVersion_; }

    // New texts and datum for one row where it stands: no reordering, the
    // selection kept. A view sets just that row's texts again (the rows
    // whose cellsVersion is past what it showed).
    void updateRow(int row, std::vector<std::string> cells, std::any datum);
    std::uint64_t cellsVersion() const { return cellsVersion_; }

    // The user's own actions, as the view reports them.
    void userColumnClick(int column);
    void userSelect(int row);
    void userMouseUp();

    std::function<void(int column)> onColumnClick;
    std::function<void()> onSelectionChanged;
    std::function<void()> onMouseUp;

private:
    std::vector<Row> rows_;
    std::vector<SortMark> marks_;
    int selected_ = -1;
    std::uint64_t rowsVersion_ = 0;
    std::uint64_t marksVersion_ = 0;
    std::uint64_t cellsVersion_ = 0;
};

// A drop-down list: fixed entries, one selected (or none); selecting one,
// by the user or by code, raises onChange. text() is the selected entry.
class ChoiceControl : public Control {
public:
    explicit ChoiceControl(const ControlDecl& decl);

    const std::vector<std::string>& entries() const { return entries_; }
    void setEntries(std::vector<std::string> entries);
    int selectedIndex() const { return value(); }
    void select(int index) { setValue(index); }
    void userSelect(int index) { setValue(index); }

protected:
    int clampValue(int value) const override;
    void valueChanged() override;

private:
    std::vector<std::string> entries_;
};

// A slider or an up-down: a value kept inside a range that may change at
// run time. Every change of the value raises onChange; a user's click or
// scroll raises onClick as well, after it, so a window can tell the two
// apart. An up-down keeps its buddy text box showing its value.
class RangeControl : public Control {
public:
    explicit RangeControl(const ControlDecl& decl);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Moves the value inside the new range when it lies outside (raising
    // onChange).
    void setRange(int minimum, int maximum);

    // The user moved it to `value` (scrolling, dragging, the arrow keys):
    // the value changes, then onClick runs.
    void userScroll(int value);

protected:
    int clampValue(int value) const override;

private:
    int minimum_;
    int maximum_;
};

// A scrolling graph's data: the samples it keeps (newest last), its zoom
// (30 to 100) and the value last set.
class GraphControl : public Control {
public:
    explicit GraphControl(const ControlDecl& decl);

    static constexpr int kMinimumZoom = 30;
    static constexpr int kMaximumZoom = 100;

    // Adds a sample; the oldest goes once the graph holds its count.
    void setSample(double value);
    // What was last set; 0 before the first sample.
    double sample() const { return last_; }
    const std::deque<double>& samples() const { return samples_; }
    int capacity() const { return options().samples; }
    // Every sample ever set: the view scrolls its grid by it.
    std::uint64_t samplesSet() const { return samplesSet_; }

    int zoom() const { return zoom_; }
    void setZoom(int zoom);
    std::uint32_t lineColour() const { return options().lineColour; }

private:
    std::deque<double> samples_;
    std::uint64_t samplesSet_ = 0;
    double last_ = 0;
    int zoom_ = kMinimumZoom;
};

// Where a sample stands in a graph `height` pixels tall: zoom 30 shows 0 to
// 100 over the whole height, zoom 100 magnifies it 100/30 times (0 to 30);
// what lies above the top is drawn at the top. 0 is the bottom row.
int graphRow(double sample, int zoom, int height);

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
    const Control* find(const std::string& name, int index = -1) const;

    // The typed models; asking for the wrong kind aborts, as an unknown name does.
    ListControl& list(const std::string& name);
    ChoiceControl& choice(const std::string& name);
    RangeControl& range(const std::string& name);
    GraphControl& graph(const std::string& name);

    // True when the control and every frame that holds it are visible: a
    // control inside a hidden frame is not on screen.
    bool isShown(const Control& control) const;

    // The label that tells what a refused box accepts (Control::problem):
    // it shows the latest refusal and is hidden again once that box's is
    // cleared (the user types, or the box is accepted). A normal row of
    // the table, so it is laid out and measured like any other.
    void showProblemsIn(const std::string& label);
    // The label beside one box shows the box's refusal in place of its
    // caption while the refusal stands.
    void showProblemBeside(const std::string& box, const std::string& label);

private:
    void bindBuddy(RangeControl& upDown);

    std::string name_;
    std::string caption_;
    PixelRect client_;
    std::vector<std::unique_ptr<Control>> controls_;
    const Control* problemShown_ = nullptr;
};

// Pages: frames of which exactly one is shown at a time.
class Pages {
public:
    Pages(Form& form, std::vector<std::string> frames);
    int count() const { return static_cast<int>(frames_.size()); }
    int current() const { return current_; }
    // Shows page `page` and hides the others; outside the range nothing changes.
    void show(int page);

private:
    Form& form_;
    std::vector<std::string> frames_;
    int current_ = -1;
};

}  // namespace quellar
