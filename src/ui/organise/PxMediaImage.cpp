#include "ui/organise/PxMediaImage.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTreeWidget>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "organise/MediaPictures.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/widgets/PictureShow.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {
const QString kAll = QStringLiteral("すべて");
const QString kPictureFilter = QStringLiteral(
    "画像ファイル (*.jpg *.jpeg *.png *.bmp *.gif *.webp)|*.jpg;*.jpeg;*.jpe;*.png;*.bmp;*.gif;"
    "*.webp|すべてのファイル (*)|*");
}  // namespace

std::optional<QString> ChooseAndLinkPicture(Session& session, int slot, const QString& current) {
  Prompter& ask = session.Ask();
  const QString path = ask.OpenFile(QStringLiteral("メディアにリンクする画像ファイルを指定"),
                                    current, kPictureFilter);
  if (path.isEmpty()) return std::nullopt;
  const QString problem = PictureLinkProblem(path);
  if (!problem.isEmpty()) {
    ask.Message(problem, PromptIcon::Warning, PromptButtons::Ok);
    return std::nullopt;
  }
  if (!Safely(ask, [&] { session.GetCatalog().SetMediaPicture(slot, text::QStringToCp932(path)); }))
    return std::nullopt;
  return path;
}

TfrmMediaImage::TfrmMediaImage(Session& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("TfrmMediaImage"));
  setWindowTitle(QStringLiteral("メディアにリンクされた画像一覧"));
  resize(900, 560);
  auto* layout = new QVBoxLayout(this);
  TabControl1 = new QTabBar(this);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setUsesScrollButtons(true);
  layout->addWidget(TabControl1);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  ListView1 = new QTreeWidget(splitter);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setHeaderLabels({QStringLiteral("メディア名"),
                              QStringLiteral("リンクされた画像ファイル名"), QStringLiteral("分類"),
                              QStringLiteral("保管場所"), QStringLiteral("保管詳細"),
                              QStringLiteral("登録日時"), QStringLiteral("メディア種類")});
  ListView1->setColumnWidth(0, 160);
  ListView1->setColumnWidth(1, 220);
  PicShow1 = new PictureShow(splitter);
  PicShow1->setObjectName(QStringLiteral("PicShow1"));
  PicShow1->setMinimumWidth(260);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  layout->addWidget(splitter, 1);
  auto* buttons = new QHBoxLayout;
  cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("登録/変更"));
  cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("削除"));
  cmdClose = NamedButton(this, "cmdClose", QStringLiteral("閉じる"));
  cmdUpdate->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(cmdUpdate);
  buttons->addWidget(cmdDelete);
  buttons->addWidget(cmdClose);
  layout->addLayout(buttons);

  connect(TabControl1, &QTabBar::currentChanged, this, [this] { FillList(); });
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this,
          &TfrmMediaImage::ListView1SelectItem);
  connect(ListView1, &QTreeWidget::itemClicked, this, &TfrmMediaImage::ListView1SelectItem);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TfrmMediaImage::cmdUpdateClick);
  connect(PicShow1, &PictureShow::DoubleClicked, this, &TfrmMediaImage::cmdUpdateClick);
  connect(cmdUpdate, &QPushButton::clicked, this, &TfrmMediaImage::cmdUpdateClick);
  connect(cmdDelete, &QPushButton::clicked, this, &TfrmMediaImage::cmdDeleteClick);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
  connect(ListView1->header(), &QHeaderView::sectionClicked, this,
          [this](int c) { sorter_.Click(ListView1, session_.Images(), c); });
}

void TfrmMediaImage::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  PicShow1->Forget();
  QStringList tabs{kAll};
  for (const std::string& name : session_.GetCatalog().CategoryNames().Names())
    tabs << text::Cp932ToQString(name);
  SetTabs(TabControl1, tabs);
  FillList();
}

void TfrmMediaImage::FillList() {
  WaitCursor wait;
  const Catalog& catalog = session_.GetCatalog();
  const QString tab = TabControl1->tabText(TabControl1->currentIndex());
  lists_.BuildDivList(catalog, 0, DivMode::Category,
                      tab == kAll ? std::string() : text::QStringToCp932(tab));
  const std::string format =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  {
    const QSignalBlocker quiet(ListView1);
    ListView1->clear();
    for (const TRecordDiv& div : lists_.List(0))
      AddMediaRow(ListView1, session_.Images(), div,
                  {text::Cp932ToQString(div.Name), PictureLinkText(catalog, div.MediaNo),
                   text::Cp932ToQString(div.Category), text::Cp932ToQString(div.Location),
                   text::Cp932ToQString(div.LocationDetail),
                   div.FileDate == 0 ? QString()
                                     : text::Cp932ToQString(FormatDateTime(format, div.FileDate)),
                   MediaTypeText(div.Kind)},
                  false);
  }
  sorter_.Reset(ListView1);
  if (ListView1->topLevelItemCount() > 0) {
    ListView1->setCurrentItem(ListView1->topLevelItem(0));
    ListView1SelectItem();
  }
}

QTreeWidgetItem* TfrmMediaImage::FirstSelected() const {
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    if (ListView1->topLevelItem(i)->isSelected()) return ListView1->topLevelItem(i);
  return nullptr;
}

void TfrmMediaImage::ListView1SelectItem() {
  const QTreeWidgetItem* item = FirstSelected();
  if (item == nullptr) return;
  PicShow1->ShowPath(ResolveListPicture(item->text(kLinkColumn), DesktopWallpaperPath()));
}

void TfrmMediaImage::cmdUpdateClick() {
  QTreeWidgetItem* item = FirstSelected();
  if (item == nullptr) return;
  const int slot = RowSlot(item);
  const auto linked = ChooseAndLinkPicture(
      session_, slot, text::Cp932ToQString(session_.GetCatalog().MediaPicture(slot)));
  if (!linked) return;
  item->setText(kLinkColumn, PictureLinkText(*linked));
  PicShow1->ShowPath(ResolveListPicture(*linked, DesktopWallpaperPath()));
}

void TfrmMediaImage::cmdDeleteClick() {
  QTreeWidgetItem* item = FirstSelected();
  if (item == nullptr) return;
  const int slot = RowSlot(item);
  if (!Safely(session_.Ask(), [&] { session_.GetCatalog().SetMediaPicture(slot, ""); })) return;
  item->setText(kLinkColumn, PictureLinkText(QString()));
  PicShow1->ShowPath(ResolveListPicture(item->text(kLinkColumn), DesktopWallpaperPath()));
}

}  // namespace plomix
