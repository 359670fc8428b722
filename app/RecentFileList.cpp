#include "app/RecentFileList.h"

#include <QSettings>

namespace {

QString valueName(int index) { return QStringLiteral("Recent File List/File%1").arg(index + 1); }

}  // namespace

void RecentFileList::load(QSettings& settings) {
  entries_.clear();
  for (int i = 0; i < kSize; ++i) {
    const QString path = settings.value(valueName(i)).toString();
    if (!path.isEmpty()) entries_.append(path);
  }
}

void RecentFileList::save(QSettings& settings) const {
  for (int i = 0; i < kSize; ++i) {
    if (i < entries_.size())
      settings.setValue(valueName(i), entries_.at(i));
    else
      settings.remove(valueName(i));
  }
}

void RecentFileList::add(const QString& path) {
  entries_.removeAll(path);
  entries_.prepend(path);
  while (entries_.size() > kSize) entries_.removeLast();
}

void RecentFileList::remove(const QString& path) { entries_.removeAll(path); }
