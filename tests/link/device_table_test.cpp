#include "link/device_table.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>

namespace {
TEST(DeviceTable, RowsAndListItemsStayOneToOneAndTheComboBoxIsItsView) {
  DeviceTable table;
  QComboBox view;
  view.setModel(&table);
  QSignalSpy changes(&table, &DeviceTable::table_changed);

  ASSERT_TRUE(table.append("A_127.0.0.2", "127.0.0.2", 0xA1, 1));
  ASSERT_TRUE(table.append("B_127.0.0.3", "127.0.0.3", 0x81, 2));
  ASSERT_TRUE(table.append("C_127.0.0.4", "127.0.0.4", 0xA5, 3));
  EXPECT_GT(changes.count(), 0);
  ASSERT_EQ(view.count(), 3);
  EXPECT_EQ(view.itemText(1), "B_127.0.0.3");
  EXPECT_STREQ(table[1].ip, "127.0.0.3");

  // Removing a row moves the later rows and items up together.
  table.remove(1);
  ASSERT_EQ(view.count(), 2);
  EXPECT_EQ(view.itemText(1), "C_127.0.0.4");
  EXPECT_STREQ(table[1].ip, "127.0.0.4");
  EXPECT_EQ(table[1].dev_type, 0xA5);
  EXPECT_EQ(table[2].ip[0], 0) << "the vacated row is empty";

  // An address longer than a row holds is cut, never written past the row.
  table.set_device(0, "1234567890123456789", 1, 1);
  EXPECT_EQ(table.address(0), "123456789012345");

  // Unlisting keeps the rows (the serial reader's row 0); clear empties them.
  table.clear_list();
  EXPECT_EQ(view.count(), 0);
  EXPECT_EQ(table[1].dev_type, 0xA5);
  table.clear();
  EXPECT_EQ(table[1].dev_type, 0);
}

TEST(DeviceTable, ListsAtMostItsRowsWhateverAddsThem) {
  DeviceTable table;
  QComboBox view;
  view.setModel(&table);
  for (int i = 0; i < kDeviceTableRows; ++i) ASSERT_TRUE(table.append("X", "127.0.0.9", 1, 1));
  EXPECT_FALSE(table.append("one too many", "127.0.0.9", 1, 1));
  EXPECT_FALSE(table.append("one too many"));
  view.addItem("through the view");
  EXPECT_EQ(table.count(), kDeviceTableRows);
  EXPECT_EQ(view.count(), kDeviceTableRows);
}
}  // namespace
