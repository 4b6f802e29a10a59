#pragma once
// Multiviewer sending procedure and state query. Every multiviewer action
// except the state query goes through SendMvCommand; no reply is awaited.
#include <cstdint>
#include <span>

// By m_eState: LAN (frame with link 01, open, send, pause 10 ms, close) or
// serial (link 00, written when the port is open). Other modes send nothing.
void SendMvCommand(uint8_t command, std::span<const uint8_t> payload = {});
// The LAN form whatever m_eState says (the audio page, the 05 frame).
void SendMvCommandLan(uint8_t command, std::span<const uint8_t> payload = {});

// Reads the whole device state into the model: command 32 over the
// transport m_eState names (LAN bound 200 ms, serial bound 5000 ms).
void QueryDeviceState();
// The LAN form whatever m_eState says (the status page).
void QueryDeviceStateLan();
// The serial form: nothing when the port is closed.
void QueryDeviceStateSerial();
