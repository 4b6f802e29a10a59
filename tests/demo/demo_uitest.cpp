// The demo: every kind of device on loopback, the listed ones opened as
// --device rows are, the multiviewers found by the scan, the serial one
// offered in the port lists.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <algorithm>

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "controls/skin_button.h"
#include "demo/demo.h"
#include "pages/matrix/matrix_page.h"
#include "support/ports.h"

namespace {
QStringList items(QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

TEST(Demo, ListsEveryKindOpensTheFirstRowAndTheScanFindsTheMultiviewers) {
  const LinkOptions saved = link_options();
  clear_recorded_errors();
  // Four ports in a row from this process's block.
  uint16_t base = next_test_port();
  while (base - test_port_base() > 6) base = next_test_port();
  for (int i = 0; i < 3; ++i) next_test_port();
  std::string error;
  std::unique_ptr<Demo> demo = start_demo(link_options(), base, &error);
  ASSERT_NE(demo, nullptr) << error;

  // One line per device, each saying where it is.
  ASSERT_EQ(demo->lines.size(), 7u);
  const std::string serial = demo->sim->serial_name();
  for (int i = 0; i < 7; ++i) {
    const devsim::DeviceInfo d = demo->sim->device(i);
    const std::string& line = demo->lines[static_cast<size_t>(i)];
    EXPECT_NE(line.find(d.transport == devsim::Transport::Serial ? serial : d.address),
              std::string::npos)
        << line;
  }
  EXPECT_NE(
      std::find(link_options().serial_ports.begin(), link_options().serial_ports.end(), serial),
      link_options().serial_ports.end());
  EXPECT_EQ(link_options().search_address, "127.255.255.255");

  CommandLine cl = parse_command_line({"kelvaro_multiview", "--demo"});
  cl.devices = demo->rows;
  std::unique_ptr<CKELVARO_16_VIEWDlg> w(open_main_window(cl));
  const QString matrix = QString::fromStdString(demo->sim->device(2).address);
  const QStringList rows{"matrix_" + matrix,
                         "switcher_" + QString::fromStdString(demo->sim->device(3).address),
                         "rk5502_" + QString::fromStdString(demo->sim->device(4).address),
                         "tm3306_" + QString::fromStdString(demo->sim->device(5).address)};
  EXPECT_EQ(items(w->device_list()), rows);
  EXPECT_NE(qobject_cast<CClass_matrix_control*>(w->m_p_mian_show_dlg), nullptr);

  QTest::mouseClick(w->main_button(1005), Qt::LeftButton);
  QStringList found = items(w->device_list()).mid(0, 2);
  found.sort();
  EXPECT_EQ(found,
            (QStringList{"MV16_STUDIO_A_" + QString::fromStdString(demo->sim->device(0).address),
                         "MV16_STUDIO_B_" + QString::fromStdString(demo->sim->device(1).address)}));
  EXPECT_EQ(items(w->device_list()).mid(2), rows);
  EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
  w.reset();
  link_options() = saved;
}
}  // namespace
