#pragma once
// CAboutDlg: the about box "QN のバージョン情報": the program's icon, its name and version,
// one line of credits, and OK. It has no logic of its own.

#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
