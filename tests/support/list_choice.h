#pragma once
// How a test picks an item of a drop-down list as the operator does.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

// With the keyboard: one step from the neighbouring item, so the list
// reports exactly one selection, through the same signals a real key press
// gives.
inline void choose_with_keys(QComboBox* list, int index) {
  ASSERT_NE(list, nullptr);
  ASSERT_LT(index, list->count());
  list->setCurrentIndex(index > 0 ? index - 1 : 1);
  QTest::keyClick(list, index > 0 ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_EQ(list->currentIndex(), index);
}

// As a pick in the open drop-down: the item becomes current and the list
// reports it activated. Also for lists the page keeps hidden, which take no
// keys.
inline void pick_item(QComboBox* list, int index) {
  ASSERT_NE(list, nullptr);
  list->setCurrentIndex(index);
  emit list->activated(index);
}
