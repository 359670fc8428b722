#pragma once
// What the window tests share: small BMP textures with smooth content, a settings store in a
// temporary folder, whole files in Qt types, the recorded messages as Qt strings, a file
// dropped onto a window, and a file chooser that answers from a script. GUI test code only.

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QStringList>
#include <QUrl>
#include <QtTest>
#include <cmath>
#include <deque>
#include <optional>
#include <vector>

#include "app/FileChooser.h"
#include "support/RecordingFeedback.h"
#include "support/TestTextures.h"

// A width x height BMP at path: hills in the red channel for bumps, a colour field for
// surfaces. False when it could not be written.
inline bool writeTestTexture(const QString& path, int width, int height, bool bump) {
  const DibImage image = makeTexture(width, height, [bump](int x, int y) {
    const auto h = std::uint32_t(128.0 + 90.0 * std::sin(x * 0.21) * std::cos(y * 0.17));
    return bump ? makeColor(h, h, h)
                : makeColor(40 + (x * 7) % 200, 80 + (y * 5) % 170, 60 + ((x + y) * 3) % 190);
  });
  return image.isValid() && image.writeFile(path.toStdString());
}

// Points the per-user INI settings at folder (call before any window is made).
inline void useSettingsFolder(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

inline QStringList messageList(const RecordingFeedback& feedback) {
  QStringList list;
  for (const auto& m : feedback.messages) list << QString::fromStdString(m.text);
  return list;
}

inline QColor qcolor(Color c) { return QColor(int(redOf(c)), int(greenOf(c)), int(blueOf(c))); }

// A file that cannot be read reads as empty; a write that fails fails the calling test.
inline QByteArray readFileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline void writeFileBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

// Drops path at a point of target as the file manager would (enter, then drop); true when
// the drop was taken.
inline bool dropFile(QWidget* target, QPoint at, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  return enter.isAccepted() && (QApplication::sendEvent(target, &drop), drop.isAccepted());
}

// Answers each file dialog with the next scripted answer (a path, or nothing: cancelled) and
// remembers what every dialog would have shown; a mesh's options come from meshOptions.
class ScriptedFileChooser final : public FileChooser {
 public:
  struct Question {
    bool save;
    FileDialogRequest request;
  };
  std::deque<std::optional<QString>> answers;
  std::vector<Question> questions;
  std::optional<MeshExportOptions> meshOptions = MeshExportOptions{};
  std::vector<MeshFormat> optionsAsked;

  void answer(const QString& path) { answers.emplace_back(path); }
  void cancel() { answers.emplace_back(std::nullopt); }
  std::optional<QString> chooseOpenFile(const FileDialogRequest& r) override {
    return next(false, r);
  }
  std::optional<QString> chooseSaveFile(const FileDialogRequest& r) override {
    return next(true, r);
  }
  std::optional<MeshExportOptions> chooseMeshOptions(MeshFormat format) override {
    optionsAsked.push_back(format);
    return meshOptions;
  }

 private:
  std::optional<QString> next(bool save, const FileDialogRequest& request) {
    questions.push_back({save, request});
    std::optional<QString> result;
    if (!answers.empty()) result = answers.front(), answers.pop_front();
    return result;
  }
};
