#include "features/preview/previewpane.h"

namespace quellar::features {

namespace {
const char* const kList = "lstPreview";
const char* const kHeading = "lblHeading";
const char* const kSummary = "lblSummary";
const char* const kCarryOut = "cmdCarryOut";
const char* const kClose = "cmdClose";
const char* const kExport = "cmdExport";
const char* const kChangedMark = "*";
}  // namespace

const std::vector<ControlDecl>& previewControls() {
    static const std::vector<ControlDecl> decls = {
        {ControlKind::Label, kHeading, "", {10, 8, 540, 32}},
        with({ControlKind::ListView, kList, "", {10, 44, 540, 266}},
             ControlOptions::listView({{"", 18, Alignment::Center},
                                       {"Key", 262, Alignment::Left},
                                       {"Value", 134, Alignment::Left},
                                       {"Now", 58, Alignment::Right},
                                       {"After", 58, Alignment::Right}})),
        {ControlKind::Label, kSummary, "", {10, 322, 250, 16}},
        {ControlKind::Button, kExport, "E&xport...", {268, 318, 90, 25}},
        with({ControlKind::Button, kCarryOut, "&Apply", {364, 318, 90, 25}}, ControlOptions::defaultButton()),
        with({ControlKind::Button, kClose, "Close", {460, 318, 90, 25}}, ControlOptions::cancelButton()),
    };
    return decls;
}

PreviewPane::PreviewPane(Form& form, std::function<void()> close) : form_(form), close_(std::move(close)) {
    form_[kClose].onClick = [this] {
        if (close_) close_();
    };
    form_[kExport].onClick = [this] {
        if (!request_.exportWhat.empty() && onExport) onExport(request_);
    };
    form_[kCarryOut].onClick = [this] {
        if (!request_.refusal.empty() || !request_.carryOut) return;
        // A No leaves the user where the question found them.
        if (request_.confirm && !request_.confirm()) return;
        // The window goes first: the action may ask and report in boxes of
        // its own, and it must not be carried out twice from here.
        auto carryOut = request_.carryOut;
        if (close_) close_();
        carryOut();
    };
}

void PreviewPane::show(PreviewRequest request, const CurrentReader& read) {
    request_ = std::move(request);
    preview_ = buildPreview(request_.operations, read);
    ListControl& list = form_.list(kList);
    list.clear();
    for (const PreviewRow& row : preview_.rows) {
        const std::string adapter = request_.keyLabel ? request_.keyLabel(row.key) : std::string();
        list.addRow({row.changes ? kChangedMark : "",
                     shortenMiddle(adapter.empty() ? row.key : adapter, kShownKeyLength), row.valueName,
                     row.now, row.after});
    }
    std::string heading = request_.heading;
    if (!request_.refusal.empty()) heading += (heading.empty() ? "" : "\r\n") + request_.refusal;
    form_[kHeading].setText(heading);
    form_[kSummary].setText(preview_.summary());
    form_[kCarryOut].setText(request_.actionCaption.empty() ? "&Apply" : request_.actionCaption);
    form_[kCarryOut].setEnabled(request_.refusal.empty() && static_cast<bool>(request_.carryOut));
    form_[kExport].setVisible(!request_.exportWhat.empty());
}

std::string PreviewPane::fullKey(int row) const {
    if (row < 0 || row >= static_cast<int>(preview_.rows.size())) return {};
    const PreviewRow& r = preview_.rows[static_cast<std::size_t>(row)];
    return r.key + "\\" + r.valueName;
}

}  // namespace quellar::features
