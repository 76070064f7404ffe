#pragma once
// The 更新日時 sub-page of the media page (`TabSheet5`): the date/time
// distribution of the list's rows in the string grid `StringGridDateTime`,
// with its interval choices. It reads the rows the media page shows.

#include "ui/Page.h"

class QTableWidget;

namespace plomix {

class Session;

class DatePage : public Page {
  Q_OBJECT

 public:
  explicit DatePage(Session& session, QWidget* parent = nullptr);

  QTableWidget* StringGridDateTime;

 private:
  Session& session_;
};

}  // namespace plomix
