#pragma once
// The LAN search reply as the scan reads it: which datagrams name devices,
// and the names they carry. A pure function over the received bytes.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "devices/device_kinds.h"

// Device type of the multiviewer: the only type whose search reply is read.
constexpr uint8_t kSearchReplyMultiviewerType = device_type::kMultiviewer;
// Offset of the first name byte.
constexpr size_t kSearchReplyNameOffset = 18;
// A reply of this many bytes or fewer carries no name.
constexpr size_t kSearchReplyNoNameMax = 21;

// Search reply:
//   0  A5 6C   2 length (not looked at)   4 device type   5 device id
//   16 FF (not looked at)
//   18 name as single-byte characters, then "x-y-..." separators
//   last AE
// Names are read only from a full reply (A5 6C first, AE as the last received
// byte) of the multiviewer type A1 that is longer than 21 bytes. Every offset
// p >= 18 with p + 4 <= size where bytes p and p + 2 are both '-' ends one
// name: bytes 18 .. p - 1, each byte widened as Latin-1. The names come in
// order of p, so each is a prefix of the next; any other datagram yields none.
std::vector<QString> parse_search_names(std::span<const uint8_t> datagram);
