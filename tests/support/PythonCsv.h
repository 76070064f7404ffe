#pragma once
// Reads a CSV file with Python's csv module, the reader most scripts that
// consume our exports use, so a quoting fault shows as a row that comes back
// different.

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace plomix::test {

using CsvRows = std::vector<std::vector<std::string>>;

// The rows of `path` (in `encoding`) as UTF-8 cells. An empty result with a
// message in `error` when Python could not read the file.
inline CsvRows ReadCsvWithPython(const std::string& path, const char* encoding,
                                 std::string* error = nullptr) {
  static const char* kScript =
      "import csv, json, sys\n"
      "with open(sys.argv[1], encoding=sys.argv[2], newline='') as f:\n"
      "    rows = list(csv.reader(f, strict=True))\n"
      "sys.stdout.write(json.dumps(rows))\n";
  QProcess python;
  python.start(QStringLiteral("python3"),
               {QStringLiteral("-c"), QString::fromUtf8(kScript), QString::fromStdString(path),
                QString::fromLatin1(encoding)});
  python.waitForFinished(60000);
  CsvRows rows;
  if (python.exitCode() != 0 || python.exitStatus() != QProcess::NormalExit) {
    if (error) *error = python.readAllStandardError().toStdString();
    return rows;
  }
  for (const auto& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
    std::vector<std::string> cells;
    for (const auto& cell : row.toArray()) cells.push_back(cell.toString().toStdString());
    rows.push_back(std::move(cells));
  }
  return rows;
}

}  // namespace plomix::test
