#pragma once
// The benchmarks' way into the panel: a simulated LAN device put into row 0
// of the main window as a search would have, and its page opened.
#include <QComboBox>
#include <cstring>

#include "app/main_window.h"
#include "devsim/simulator.h"

inline PageFrame* open_device(CKELVARO_16_VIEWDlg& main, const devsim::DeviceInfo& d) {
  main.m_eState = 0;
  DeviceEntry& row = main.m_device_table[0];
  std::memset(row.ip, 0, sizeof row.ip);
  std::strncpy(row.ip, d.address.c_str(), sizeof row.ip - 1);
  row.dev_type = d.type;
  row.dev_id = d.id;
  main.m_device_count = 1;
  main.device_list()->clear();
  main.device_list()->addItem(QString::fromStdString(d.name + "_" + d.address));
  main.device_list()->setCurrentIndex(0);
  main.m_device_index = 0;
  main.select_device();
  return main.m_p_mian_show_dlg;
}
