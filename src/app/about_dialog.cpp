#include "app/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "res/skin.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg100"));
  setWindowTitle(QStringLiteral("关于 KELVARO_16_VIEW"));
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("about_icon"));
  icon->setPixmap(skin_icon(128).pixmap(32, 32));
  auto* text = new QLabel(QStringLiteral("KELVARO_16_VIEW，1.0 版"), this);
  text->setObjectName(QStringLiteral("about_text"));
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("about_ok"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  row->addWidget(ok);
  auto* column = new QVBoxLayout(this);
  column->addLayout(row);
}
