#pragma once
// Runs the command-line tool built beside the tests.

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringList>

namespace plomix::test {

struct CliRun {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
  QJsonDocument Json() const { return QJsonDocument::fromJson(out); }
};

inline CliRun RunCli(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(PLOMIX_CLI_PATH), args);
  process.waitForFinished(120000);
  return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace plomix::test
