#pragma once
// The Advanced mode window's behaviour: eight pages, one per group of TCP/IP
// values, each filled with the values recommended for the chosen kind of
// connection; "Finish" reads the boxes into the tuning record and applies
// it. Written against the control models, so it runs without windows.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/numberbox.h"
#include "net/mtufinder.h"
#include "tuning/adapters.h"
#include "tuning/tuning.h"

namespace quellar::features {

inline constexpr int kAdvancedPageCount = 8;
inline constexpr int kAdvancedAppliedPage = 8;  // after "Finish"
inline constexpr PixelRect kAdvancedModeClient{0, 0, 443, 257};

const std::vector<ControlDecl>& advancedModeControls();

// The connection types of the first page, in option order.
struct ConnectionType {
    const char* caption;
    std::int32_t mtu;
    const char* mtuLabel;
    std::int32_t mss;
    const char* mssLabel;
    int multiplier;  // of the receive window: MSS x multiplier x scale factor
};
const std::vector<ConnectionType>& connectionTypes();

// The receive window the RWIN page computes, in double precision.
double receiveWindow(double mss, double multiplier, double scaleFactor);

// A number as the boxes show it: whole numbers without a point, others with
// up to 15 significant digits.
std::string numberText(double value);

class AdvancedMode {
public:
    struct Actions {
        std::function<void()> apply;   // apply the record (backup first)
        std::function<void()> goHome;  // face in front, back to its home screen
        // Show what "Finish" would write for this set.
        std::function<void(const tuning::TuningParams& atFinish)> preview;
        // Start a search of the largest MTU to the host; the window calls
        // mtuFound() with its outcome when it ends (it takes several echoes).
        std::function<void(const std::string& host)> findMtu;
        // Show the user a message (caption "Quellar").
        std::function<void(const std::string& text)> tell;
        // The adapters that can get the MTU and MSS, with their MTU now.
        std::function<std::vector<tuning::AdapterEntry>()> adapters;
    };

    // `record` is the set the apply writes (currentTuning in the program).
    AdvancedMode(Form& form, tuning::TuningParams& record, Actions actions);

    // The window's load: page `page` shown (0 when created afresh), the first
    // NDI entry chosen.
    void load(int page = 0);

    void next();
    void back();

    int page() const { return page_; }
    // The set "Finish" would apply now: the record with the boxes read in.
    tuning::TuningParams recordAtFinish() const;
    int connectionType() const { return connectionType_; }

    // The end of a search "Find" started: on success the MTU and MSS boxes
    // get the path's MTU and the MSS that goes with it; otherwise the user
    // is told why there is none. "Find" is disabled while a search runs.
    void mtuFound(const net::MtuOutcome& outcome);
    bool findingMtu() const { return findingMtu_; }

    // Where "Finish" writes the MTU and MSS: "every adapter" (the default),
    // or "<adapter> only", for the preview and the notice.
    std::string mtuTargetText() const;
    // The adapters as the MTU page lists them (refreshed on entering it).
    const std::vector<tuning::AdapterEntry>& adapters() const { return adapters_; }
    // "Local Area Connection (MTU 1500)", "... (MTU not set)".
    static std::string adapterEntryText(const tuning::AdapterEntry& adapter);

private:
    // The boxes the user types numbers into, each on its page, with the
    // value of the record it sets (none: the multiplier, which only
    // computes the receive window).
    struct NumberBox {
        const char* name;
        int page;
        std::int32_t tuning::TuningParams::*field;
    };
    static const std::vector<NumberBox>& numberBoxes();

    void enter(int page);
    void show(int page);
    void goBackTo(int page);
    void finish();
    void findMtu();
    void computeReceiveWindow();
    std::int64_t mtuEntered() const;
    WholeRange rangeOf(const NumberBox& box) const;
    bool checkBox(const NumberBox& box);
    bool checkPage(int page);
    bool checkAll();
    void readBoxes(tuning::TuningParams& into) const;
    void fillAdapters();
    // The adapter chosen in the list; none for "All adapters".
    const tuning::AdapterEntry* chosenAdapter() const;
    // The chosen adapter's subkey; empty for every adapter.
    std::vector<std::string> chosenAdapters() const;

    Form& form_;
    tuning::TuningParams& record_;
    Actions actions_;
    Pages pages_;
    int page_ = 0;
    int connectionType_ = 0;
    bool findingMtu_ = false;
    std::vector<tuning::AdapterEntry> adapters_;
};

inline constexpr char kAllAdapters[] = "All adapters";
// What mtuTargetText says for the default, and while the mode is not loaded.
inline constexpr char kEveryAdapter[] = "every adapter";

}  // namespace quellar::features
