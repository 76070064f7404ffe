#pragma once
// Runs the command-line tool built beside the tests.

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace plomix::test {

struct CliRun {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
  QJsonDocument Json() const { return QJsonDocument::fromJson(out); }
};

// With `environment` ("NAME=value" each) set over the test's own.
inline CliRun RunCli(const QStringList& args, const QStringList& environment = {}) {
  QProcess process;
  if (!environment.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : environment)
      env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    process.setProcessEnvironment(env);
  }
  process.start(QStringLiteral(PLOMIX_CLI_PATH), args);
  process.waitForFinished(120000);
  return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace plomix::test
