#pragma once
// The matrix page's function sub-page (dialog 210): APPLY, ONE TO ALL,
// ONE TO ONE and LOCK. No state of its own: every button calls an operation
// of the matrix page, which reads and writes the main window's matrix state.
#include "app/page_frame.h"

class CClass_matrix_control;

enum MatrixFunctionControl {
  IDC_MATRIX_FN_APPLY = 1097,
  IDC_MATRIX_FN_ONE_TO_ALL = 1032,
  IDC_MATRIX_FN_ONE_TO_ONE = 1033,
  IDC_MATRIX_FN_LOCK = 1011,
  IDC_MATRIX_FN_GROUP = 1100,
};

constexpr int kMatrixFunctionBitmap = 230;  // 490 x 420, with the two routing diagrams
constexpr int kMatrixApplyBitmap = 235;
constexpr int kMatrixOneToAllBitmap = 233;
constexpr int kMatrixOneToOneBitmap = 234;
constexpr int kMatrixLockOffBitmap = 231;  // LOCK in white
constexpr int kMatrixLockOnBitmap = 232;   // LOCK in red

class CClass_matrix_child_function : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_matrix_child_function(CClass_matrix_control* page);
};
