#pragma once
// Whole-file reads and writes for the window tests, in Qt types. A file that cannot be read
// reads as empty; a write that fails is a failed check of the calling test. Test code only.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

inline QByteArray readFileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}
