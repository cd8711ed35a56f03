#pragma once
// The preview window's behaviour: every value an apply or a restore would
// touch, its value now and afterwards, the changing rows marked and counted;
// the action carried out from here or the window closed. Written against
// the control models.
#include <functional>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/preview.h"
#include "core/regops.h"

namespace quellar::features {

inline constexpr PixelRect kPreviewClient{0, 0, 560, 360};
// How many characters of a key path the list shows; the whole path is the
// row's tooltip.
inline constexpr std::size_t kShownKeyLength = 38;

const std::vector<ControlDecl>& previewControls();

class PreviewPane {
public:
    PreviewPane(Form& form, std::function<void()> close);

    // Fills the window from a request and a reading of the values now.
    void show(PreviewRequest request, const CurrentReader& read);

    const Preview& preview() const { return preview_; }
    // The full key path of a row (for its tooltip).
    std::string fullKey(int row) const;

    // "Export..." saves the request's operations as a registry file.
    std::function<void(const PreviewRequest& request)> onExport;

private:
    Form& form_;
    std::function<void()> close_;
    PreviewRequest request_;
    Preview preview_;
};

}  // namespace quellar::features
