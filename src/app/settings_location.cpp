#include "app/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

const char16_t kWizardRegistryKey[] = u"应用程序向导生成的本地应用程序";

void set_settings_location() {
  QCoreApplication::setOrganizationName(QStringLiteral("kelvaro"));
  QCoreApplication::setApplicationName(QStringLiteral("kelvaro_multiview"));
}

QString move_old_settings() {
  const QString current = QSettings().fileName();
  const QFileInfo now(current);
  // The wizard's folder sits beside the organisation's, under the same
  // configuration folder.
  QDir config = now.dir();
  if (!config.cdUp()) return {};
  const QString old_dir = config.filePath(QString::fromUtf16(kWizardRegistryKey));
  const QString old_file = QDir(old_dir).filePath(now.fileName());
  if (!QFileInfo(old_file).isFile()) return {};
  if (now.exists())
    return QStringLiteral("settings at %1 left in place: %2 exists").arg(old_file, current);
  if (!QDir().mkpath(now.path()) || !QFile::rename(old_file, current))
    return QStringLiteral("cannot move the settings from %1 to %2").arg(old_file, current);
  // Only an empty folder goes: anything else there is not ours to remove.
  QDir().rmdir(old_dir);
  return QStringLiteral("settings moved from %1 to %2").arg(old_file, current);
}
