#pragma once
// The 似たようなファイルの一覧 page (`TabSheet9`): the similar-name result page
// (group grid `GridView11` over the member grid `GridView12`, the search bar
// `txtLikeSearchStr`, the status bar `StatusBar4`). Filling on first show,
// the search dialog, jumping to a member and the member export are driven by
// the window's AnalysisUi.

#include "ui/Page.h"

class QLineEdit;
class QStatusBar;
class QTableView;

namespace plomix {

class AnalysisUi;
class ResultPage;
class Session;

class LikePage : public Page {
  Q_OBJECT

 public:
  explicit LikePage(Session& session, QWidget* parent = nullptr);
  // Hands the result grids to the window's analyses, which fill them and
  // answer their jump and copy requests.
  void ConnectAnalyses(AnalysisUi& analyses);

  ResultPage* Results;
  QTableView *GridView11, *GridView12;
  QLineEdit* txtLikeSearchStr;
  QStatusBar* StatusBar4;
};

}  // namespace plomix
