// The panel-side helpers of SimulatorFixture: they reach into the main window
// and the link options, so they live apart from the simulator half.
#include <QComboBox>
#include <cstring>

#include "app/main_window.h"
#include "app/simulator_link.h"
#include "link/link_options.h"
#include "support/devsim_fixture.h"

void SimulatorFixture::configure_panel() {
  if (!m_panel_restore) {
    m_panel_restore = std::shared_ptr<void>(new LinkOptions(link_options()), [](void* p) {
      auto* saved = static_cast<LinkOptions*>(p);
      link_options() = *saved;
      delete saved;
    });
  }
  point_link_at_simulator(link_options(), options(), m_sim->serial_name());
}

bool SimulatorFixture::select_in_main_window(CKELVARO_16_VIEWDlg& dlg, int device) {
  const devsim::DeviceInfo d = m_sim->device(device);
  configure_panel();
  DeviceEntry& row = dlg.m_device_table[0];
  row.dev_type = d.type;
  row.dev_id = d.id;
  QComboBox* list = dlg.device_list();
  list->clear();
  if (d.transport == devsim::Transport::Udp) {
    dlg.m_eState = 0;
    std::memset(row.ip, 0, sizeof row.ip);
    std::strncpy(row.ip, d.address.c_str(), sizeof row.ip - 1);
    dlg.m_device_count = 1;
    list->addItem(QString::fromStdString(d.name + "_" + d.address));
  } else {
    dlg.m_eState = 1;
    if (dlg.m_comm.is_open()) dlg.m_comm.close_port(500);
    if (!dlg.m_comm.open_port(d.address, 115200)) {
      ADD_FAILURE() << "cannot open the simulator's serial line " << d.address;
      return false;
    }
    dlg.m_main_com_dev_type = d.type;
    dlg.m_com_dev_name = QString::fromStdString(d.name);
    list->addItem(dlg.m_com_dev_name);
  }
  list->setCurrentIndex(0);
  dlg.m_device_index = 0;
  dlg.select_device();
  return dlg.m_p_mian_show_dlg != nullptr;
}
