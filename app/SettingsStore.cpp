#include "app/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The folder that holds every organisation's settings (<root>/Mossgate/QN.ini).
QDir settingsRoot() {
  QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Mossgate"),
                  QStringLiteral("QN"));
  QDir root = QFileInfo(probe.fileName()).dir();
  root.cdUp();
  return root;
}

}  // namespace

std::unique_ptr<QSettings> openUserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("Mossgate"), QStringLiteral("QN"));
}

bool deleteLegacySettings() {
  const QDir root = settingsRoot();
  bool deleted = false;
  const QString legacyFile = root.filePath(QStringLiteral("FERNHILL.ini"));
  if (QFileInfo::exists(legacyFile) && QFile::remove(legacyFile)) deleted = true;
  QDir legacyFolder(root.filePath(QStringLiteral("FERNHILL")));
  if (legacyFolder.exists() && legacyFolder.removeRecursively()) deleted = true;
  return deleted;
}
