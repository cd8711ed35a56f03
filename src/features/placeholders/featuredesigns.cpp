#include "features/placeholders/featuredesigns.h"

namespace quellar {

namespace {
// Every feature window is designed 443 pixels wide; the child area (440
// wide) clips the last few pixels, as designed.
constexpr int kDesignWidth = 443;
constexpr PixelRect kOuterFrame{6, 4, 428, 238};

const std::vector<ControlDecl> kNormalMode = {
    {ControlKind::Frame, "frameNormalMode", "Normal Mode", kOuterFrame}};
const std::vector<ControlDecl> kBackUp = {
    {ControlKind::Frame, "frameBackUp", "Backup", kOuterFrame}};
}  // namespace

const FeatureDesign& normalModeDesign() {
    static const FeatureDesign d{"frmNormalMode", "Advanced Mode", {0, 0, kDesignWidth, 257}, &kNormalMode};
    return d;
}
const FeatureDesign& backUpDesign() {
    static const FeatureDesign d{"frmBackUp", "Backup", {0, 0, kDesignWidth, 250}, &kBackUp};
    return d;
}
}  // namespace quellar
