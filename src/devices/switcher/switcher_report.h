#pragma once
// Device reports on the switcher's own port, read apart from any socket,
// thread or widget: what a datagram asks the page to do.
//
//   byte 16 what happened   17, 18 its arguments
// Neither the envelope nor the checksum is checked (the receiver takes
// reports from the selected switcher's address alone); bytes a short
// datagram does not hold read as zero. Command bytes the page does not
// follow are ignored.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "devices/switcher/switcher_model.h"
#include "devices/switcher/switcher_tbar.h"

enum class SwitcherReportKind : uint8_t {
  Ignored,
  PgmSource,   // source: arg1
  PvmSource,   // source: arg1
  Cut,         // program and preview exchange places
  Layer,       // layer 1 PIP, 2 key 1, 3 key 2 toggles
  OnAir,       // ON AIR toggles
  Bkgd,        // BKGD toggles
  Transition,  // transition 1 mix, 2 dip, 3 wipe
  Tbar,        // the bar moves to tbar.position
};

struct SwitcherReport {
  SwitcherReportKind kind = SwitcherReportKind::Ignored;
  uint8_t command = 0;          // byte 16
  uint8_t arg1 = 0;             // byte 17
  uint8_t arg2 = 0;             // byte 18
  int layer = 0;                // Layer only
  int transition = 0;           // Transition only
  TbarPlacement tbar{0, 0, 0};  // Tbar only
};

SwitcherReport decode_switcher_report(std::span<const uint8_t> datagram);
// Decodes a batch of datagrams, appending to `out` the reports that are not
// ignored, in the order they came.
void decode_switcher_reports(std::span<const std::span<const uint8_t>> datagrams,
                             std::vector<SwitcherReport>& out);

// ---- a run of reports folded into one ----
//
// The page follows reports on its user-interface thread, later than they
// arrive, so they wait in between. A run of them waits as one
// SwitcherReportBatch of fixed size: each report is folded in with bounded
// work, and applying the batch leaves the record and every key's image
// exactly where applying each report in order would have left them, from any
// record and any images. (T-bar reports are not batched: the receiver places
// the bar itself.)
//
// What is kept, per part of the record (the parts are independent: no report
// reads what another part's reports write):
//  - program and preview buses and the transition type: which value each ends
//    on, as a constant or as "what the bus held" (a cut moves those between the
//    buses), and a short log of the images written, one entry per key (the
//    last image written to it) in the order of those last writes. Selecting a
//    source while a bus still holds its unknown start value writes images only
//    if the value differs; these few writes carry that condition.
//  - PIP, KEY 1 and KEY 2 (the toggles, which light and clear each other
//    through layer_select): the end state and last images for each of the 40
//    classes of start state that the toggles can tell apart.
//  - ON AIR and BKGD: whether they toggled at all and the parity.

// The keys a report may redraw.
enum class SwitcherKey : uint8_t { Pgm, Pvm, Layer, OnAir, Bkgd, Transition };

// Called by apply for every key whose image the reports changed: the key,
// its index (source 1..12, layer 1..3, transition type 1..3; 0 for ON AIR and
// BKGD) and whether it ends lit (red on program, green or red on preview,
// yellow or red on the function keys). The caller maps that to images.
using SwitcherFaceWriter = std::function<void(SwitcherKey key, int index, bool lit)>;

class SwitcherReportBatch {
 public:
  // Folds a report in. False (and nothing changes) for a report the batch
  // does not take: T-bar moves and ignored commands.
  bool add(const SwitcherReport& report);
  bool empty() const { return m_count == 0; }
  // Reports folded in since the batch was made or cleared.
  uint64_t count() const { return m_count; }
  void clear() { *this = SwitcherReportBatch(); }
  // Applies the batch to the record, writing images through `face`.
  void apply(SwitcherPageData& d, const SwitcherFaceWriter& face) const;

  // Entries the image logs hold now (bounded by kLogCapacity each).
  size_t log_size() const;

  // A value a bus or the transition type holds: a constant, or one of the
  // unknown start values (program bus, preview bus).
  struct Value {
    uint8_t kind = kConst;  // kConst, kStartA, kStartB
    uint8_t n = 0;
    bool operator==(const Value&) const = default;
  };
  static constexpr uint8_t kConst = 0, kStartA = 1, kStartB = 2;
  // One image write: lit or normal; `cond` 0 always, or only when start
  // value A (1) or B (2) differed from the value then selected.
  struct FaceWrite {
    Value key;
    bool lit = false;
    uint8_t cond = 0;
  };
  // Last writes of fourteen keys (twelve constants and two start values)
  // plus at most four conditional ones.
  static constexpr size_t kLogCapacity = 18;
  struct FaceLog {
    std::array<FaceWrite, kLogCapacity> w{};
    uint8_t size = 0;
    void write(Value key, bool lit, uint8_t cond);
  };

 private:
  // Selections (two buses, or the transition type alone) whose start values
  // are unknown until apply.
  struct Selections {
    std::array<Value, 2> slot{Value{kStartA, 0}, Value{kStartB, 0}};
    std::array<FaceLog, 2> log{};
    std::array<uint8_t, 2> start_selected{};  // value selected while a start value was held
    int highest = 12;                         // keys exist for 1..highest
    void select(int which, uint8_t n);
    void swap();  // a cut
    void write(int which, Value key, bool lit, uint8_t cond);
    void apply(uint8_t& a, uint8_t* b, SwitcherKey key_a, SwitcherKey key_b,
               const SwitcherFaceWriter& face) const;
  };
  // One class of start state of the layer toggles, as the toggles have left it.
  struct LayerState {
    uint8_t flags = 0;    // bit i: layer i+1's flag is 1
    uint8_t written = 0;  // bit i: layer i+1's flag was written
    uint8_t select = 0;   // layer_select 0..3, or 4 for anything else
    bool select_written = false;
    std::array<uint8_t, 3> face{};  // 0 untouched, 1 normal, 2 lit
  };
  static Selections transition_selections();
  static constexpr int kLayerClasses = 8 * 5;
  static std::array<LayerState, kLayerClasses> layer_starts();
  static void toggle_layer(LayerState& s, int layer);

  uint64_t m_count = 0;
  Selections m_buses{};
  Selections m_transition = transition_selections();
  std::array<LayerState, kLayerClasses> m_layers = layer_starts();
  uint8_t m_on_air_toggles = 0;  // 0 none, 1 odd, 2 even (and at least two)
  uint8_t m_bkgd_toggles = 0;
};
