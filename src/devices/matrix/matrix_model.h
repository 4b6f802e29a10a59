#pragma once
// The matrix router's state, held by the main window so that it survives the
// page. The routing record is the panel's own: it is never read back.
#include <cstdint>

constexpr int kMatrixPorts = 8;

struct MatrixModel {
  // 0 until an input button has been accepted once, then 1 for good; the
  // routing commands are only built once it is 1.
  int32_t m_eMatrixState = 0;
  uint8_t m_matrix_input = 0;                 // selected input 1..8, 0 = none
  uint8_t m_matrix_route[kMatrixPorts] = {};  // [j - 1]: input routed to output j, 0 = none
  uint8_t m_matrix_btn_lock = 0;              // 0 unlocked, anything else locked
};
