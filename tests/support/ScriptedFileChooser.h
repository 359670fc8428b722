#pragma once
// ScriptedFileChooser: a FileChooser for the window tests. Answers each question with the
// next scripted answer (a path, or nothing for a cancelled dialog) and remembers what
// every dialog would have shown; a mesh export's options come from meshOptions (nothing:
// cancelled). Header-only, GUI test code only.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/FileChooser.h"

class ScriptedFileChooser final : public FileChooser {
 public:
  struct Question {
    bool save;
    FileDialogRequest request;
  };

  std::deque<std::optional<QString>> answers;  // front first; empty means cancel
  std::vector<Question> questions;
  std::optional<MeshExportOptions> meshOptions = MeshExportOptions{};
  std::vector<MeshFormat> optionsAsked;

  void answer(const QString& path) { answers.emplace_back(path); }
  void cancel() { answers.emplace_back(std::nullopt); }

  std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override {
    return next(false, request);
  }
  std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override {
    return next(true, request);
  }
  std::optional<MeshExportOptions> chooseMeshOptions(MeshFormat format) override {
    optionsAsked.push_back(format);
    return meshOptions;
  }

 private:
  std::optional<QString> next(bool save, const FileDialogRequest& request) {
    questions.push_back({save, request});
    if (answers.empty()) return std::nullopt;
    std::optional<QString> result = answers.front();
    answers.pop_front();
    return result;
  }
};
