#include "devices/multiviewer/mv_model.h"

MultiviewerModel::MultiviewerModel() {
  // Each label is one blank until the device or the operator names the window.
  for (QString& text : m_16_view_umd_text) text = QStringLiteral(" ");
}

void MultiviewerModel::reset_16_view_page_data() {
  m_all_16_view_page_data = start_16_view_page_data();
}
