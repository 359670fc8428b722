#include "dialogs/CAboutDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/QtText.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("QN のバージョン情報"));

  auto* icon = new QLabel;
  icon->setObjectName(QStringLiteral("aboutIcon"));
  QIcon programIcon = QApplication::windowIcon();
  if (programIcon.isNull())
    programIcon = style()->standardIcon(QStyle::SP_DesktopIcon, nullptr, this);
  icon->setPixmap(programIcon.pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  auto* title = new QLabel(QStringLiteral("３次元地形画像レンダラ ") + qnVersionTitle());
  title->setObjectName(QStringLiteral("aboutTitle"));
  auto* second = new QLabel(QStringLiteral("バンプテクスチャと表面テクスチャから地形を描きます。"));
  second->setObjectName(QStringLiteral("aboutSecondLine"));
  auto* texts = new QVBoxLayout;
  texts->addWidget(title);
  texts->addWidget(second);
  texts->addStretch();

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("button1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addStretch();

  auto* whole = new QHBoxLayout(this);
  whole->addWidget(icon);
  whole->addLayout(texts, 1);
  whole->addLayout(buttons);
}
