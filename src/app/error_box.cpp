#include "app/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <mutex>

#include "link/link_ui.h"

namespace {
ErrorSink g_sink;
std::mutex g_recorded_mutex;
QStringList g_recorded;
}  // namespace

void set_error_sink(ErrorSink sink) { g_sink = std::move(sink); }

void show_error(const QString& text) {
  if (g_sink) {
    g_sink(text, QStringLiteral("Err"));
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Err"), text,
                  QMessageBox::Ok | QMessageBox::Cancel);
  box.exec();
}

void show_plain_message(const QString& text) {
  if (g_sink) {
    g_sink(text, QString());
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}

void install_link_ui_hooks() {
  install_link_ui({[](const QString& text) { show_error(text); },
                   [](bool busy) {
                     if (busy)
                       QApplication::setOverrideCursor(Qt::BusyCursor);
                     else
                       QApplication::restoreOverrideCursor();
                   }});
}

void install_error_recorder() {
  install_link_ui_hooks();
  set_error_sink([](const QString& text, const QString&) {
    std::lock_guard lock(g_recorded_mutex);
    g_recorded.append(text);
  });
}

QStringList recorded_errors() {
  std::lock_guard lock(g_recorded_mutex);
  return g_recorded;
}

void clear_recorded_errors() {
  std::lock_guard lock(g_recorded_mutex);
  g_recorded.clear();
}
