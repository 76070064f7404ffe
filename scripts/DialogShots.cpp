// Pictures of the organising dialogs on the sample catalogue that
// scripts/screenshot builds: the category dialog with media checked, the
// comment dialog with its list, and the picture list showing a linked photo.
//   DialogShots CATALOGUE OUTPUT_PREFIX

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadialGradient>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "ui/AppSetup.h"
#include "ui/Session.h"
#include "ui/organise/PxComment.h"
#include "ui/organise/PxDivision.h"
#include "ui/organise/PxMediaImage.h"
#include "ui/widgets/PictureShow.h"

using namespace plomix;

namespace {

// A photo-like picture of a disc on a table.
bool DrawDiscPhoto(const QString& path) {
  QImage image(1600, 1200, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient table(0, 0, 0, 1200);
  table.setColorAt(0, QColor(120, 82, 50));
  table.setColorAt(1, QColor(70, 44, 26));
  p.fillRect(image.rect(), table);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient disc(800, 600, 480, 650, 450);
  disc.setColorAt(0, QColor(240, 240, 255));
  disc.setColorAt(0.5, QColor(170, 200, 230));
  disc.setColorAt(0.8, QColor(210, 170, 230));
  disc.setColorAt(1, QColor(150, 150, 170));
  p.setBrush(disc);
  p.setPen(QPen(QColor(60, 60, 60), 4));
  p.drawEllipse(QPoint(800, 600), 480, 480);
  p.setBrush(QColor(70, 44, 26));
  p.drawEllipse(QPoint(800, 600), 70, 70);
  p.setPen(QColor(30, 30, 90));
  QFont font = p.font();
  font.setPixelSize(64);
  p.setFont(font);
  p.drawText(QRect(400, 760, 800, 100), Qt::AlignCenter, QStringLiteral("BACKUP 2024"));
  p.end();
  return image.save(path, "JPG", 90);
}

bool Save(QWidget& dialog, const QString& path) {
  dialog.show();
  QTest::qWait(700);
  const bool saved = dialog.grab().save(path);
  std::printf("screenshot: %s\n", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  if (argc != 3) return 2;
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  NonInteractivePrompter prompter;
  Session session(prompter);
  Catalog& catalog = session.GetCatalog();
  if (!catalog.OpenCatalog(argv[1])) return 1;
  catalog.ReadLongNames();
  auto sj = [](const char* utf8) { return text::Utf8ToCp932(utf8); };

  const QString photo = prefix + "-disc.jpg";
  if (!DrawDiscPhoto(photo)) return 1;
  catalog.SetMediaPicture(1, text::QStringToCp932(photo));

  bool ok = true;
  {
    TfrmDivision division(session, DivMode::Category);
    division.TabControl2->setCurrentIndex(division.TabControl2->count() - 1);
    for (int i = 0; i < division.ListView1->topLevelItemCount(); i += 2)
      division.ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
    division.ListView1->setCurrentItem(division.ListView1->topLevelItem(0));
    ok &= Save(division, prefix + "-TfrmDivision.png");
    division.done(QDialog::Accepted);
  }
  {
    const char* comments[] = {"元の写真はNASにもあります", "2024年3月に焼いたバックアップ",
                              "見積書の最終版", "要確認：音楽ファイルの重複"};
    int n = 0;
    for (const char* text : comments) catalog.AddComment(++n, sj(text), kKindFile, sj("ファイル"));
    catalog.LoadMedia(0);
    TRecord row;
    row.Key = 1;
    row.Kind = kKindFolder;
    row.Name = catalog.RecordName(1);
    row.CommentNo = 0;
    TfrmComment comment(session, row);
    ok &= Save(comment, prefix + "-TfrmComment.png");
  }
  {
    TfrmMediaImage pictures(session);
    pictures.show();
    pictures.ListView1->setCurrentItem(pictures.ListView1->topLevelItem(1));
    ok &= Save(pictures, prefix + "-TfrmMediaImage.png");
  }
  return ok ? 0 : 1;
}
