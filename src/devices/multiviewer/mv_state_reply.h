#pragma once
// Decoding of the multiviewer's state reply (command 0x32) into the model.
#include <cstddef>
#include <cstdint>
#include <span>

#include "devices/multiviewer/mv_model.h"

// Offsets of the reply frame. The label records start at 24; P, the offset
// after them, is 552 when all sixteen are full 33-byte records.
constexpr size_t kStateReplyWindowCount = 18;
constexpr size_t kStateReplyResolution = 19;
constexpr size_t kStateReplyUmdEnable = 20;
constexpr size_t kStateReplyAudioEnable = 21;
constexpr size_t kStateReplyAudioSource = 22;
constexpr size_t kStateReplyResolutionEnable = 23;
constexpr size_t kStateReplyLabels = 24;
constexpr size_t kStateReplyLabelRecord = 33;  // length byte + 32 text bytes
constexpr size_t kStateReplyLabelTextMax = 32;
constexpr size_t kStateReplyFullP = kStateReplyLabels + kMvWindowCount * kStateReplyLabelRecord;
// Bytes the decoder reads with full records: offsets 0 .. P + 113.
constexpr size_t kStateReplyLayoutLength = kStateReplyFullP + 114;
static_assert(kStateReplyFullP == 552 && kStateReplyLayoutLength == 666);

// Stores a state reply into the model. `reply` is the frame from its A5 6C;
// byte 16 (0x32) has been checked by the caller. Over the LAN a label length
// above 32 leaves that label as it was and takes up one byte; over the serial
// port (`serial`) every record is 33 bytes and such a length counts as 32.
// Bytes past the end of `reply` read as zero. Marks the state as read.
void DecodeStateReply(MultiviewerModel& model, std::span<const uint8_t> reply, bool serial);
