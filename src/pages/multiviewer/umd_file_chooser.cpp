#include "pages/multiviewer/umd_file_chooser.h"

#include <QFileDialog>

namespace {
UmdFileChooser g_chooser;
}  // namespace

QString choose_umd_file(QWidget* parent, bool save) {
  if (g_chooser) return g_chooser(parent, save);
  const QString filter = QStringLiteral("UMD labels (*.csv);;All files (*)");
  return save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Export UMD labels"),
                                             QStringLiteral("umd_labels.csv"), filter)
              : QFileDialog::getOpenFileName(parent, QStringLiteral("Import UMD labels"), {},
                                             filter);
}

void set_umd_file_chooser(UmdFileChooser chooser) { g_chooser = std::move(chooser); }
