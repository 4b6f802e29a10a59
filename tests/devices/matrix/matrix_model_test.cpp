#include "devices/matrix/matrix_model.h"

#include <gtest/gtest.h>

namespace {

TEST(MatrixModel, NothingSelectedRoutedOrLockedAtStart) {
  const MatrixModel m;
  EXPECT_EQ(m.m_eMatrixState, 0);
  EXPECT_EQ(m.m_matrix_input, 0);
  for (uint8_t input : m.m_matrix_route) EXPECT_EQ(input, 0);
  EXPECT_EQ(sizeof m.m_matrix_route, 8u);
  EXPECT_EQ(m.m_matrix_btn_lock, 0);
}

}  // namespace
