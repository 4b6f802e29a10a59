#pragma once
// Device reports on the switcher's own port, read apart from any socket,
// thread or widget: what a datagram asks the page to do.
//
//   byte 16 what happened   17, 18 its arguments
// Neither the envelope nor the checksum nor the sender is checked; bytes a
// short datagram does not hold read as zero. Command bytes the page does not
// follow are ignored.
#include <cstdint>
#include <span>

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
