// The desktop program. Until its main window is in place it says how to use the
// command-line tool, which offers the same catalogue engine.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString cli = QFileInfo(QCoreApplication::applicationDirPath() + "/plomix2-cli").filePath();
  std::fprintf(stderr, "Plomix2 [Ver.%s]: the main window is not available yet; the catalogue "
                       "engine works through %s:\n\n",
               PLOMIX_VERSION_TEXT, cli.toLocal8Bit().constData());
  return QProcess::execute(cli, {"--help"}) == 0 ? 0 : 1;
}
