#pragma once
// RecentFileList: the four most recently used document files, newest first, kept in the
// settings store's section "Recent File List" as values "File1" to "File4". It only keeps
// names: opening them is the document's business.

#include <QString>
#include <QStringList>

class QSettings;

class RecentFileList {
 public:
  static constexpr int kSize = 4;

  void load(QSettings& settings);
  void save(QSettings& settings) const;
  // Puts path first (moving it up when it is already listed), keeping at most four.
  void add(const QString& path);
  void remove(const QString& path);
  const QStringList& entries() const { return entries_; }

 private:
  QStringList entries_;
};
