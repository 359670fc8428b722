#include "dialogs/QtText.h"

#include <QFile>

#include "base/Version.h"

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString fromLocalPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

QString qnVersion() { return fromUtf8(kQnVersion); }

QString qnVersionTitle() { return fromUtf8(kQnVersionTitle); }
