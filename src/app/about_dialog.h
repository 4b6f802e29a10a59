#pragma once
// The About box (dialog 100): application icon, one line and an OK button.
#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
