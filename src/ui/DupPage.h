#pragma once
// The 重複ファイルの一覧 page (`TabSheet8`): the duplicate result page (group
// grid `GridView1` over the member grid `GridView2`, the search bar
// `txtDupSearchStr`, the status bar `StatusBar3`). Filling on first show,
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

class DupPage : public Page {
  Q_OBJECT

 public:
  explicit DupPage(Session& session, QWidget* parent = nullptr);
  // Hands the result grids to the window's analyses, which fill them and
  // answer their jump and copy requests.
  void ConnectAnalyses(AnalysisUi& analyses);

  ResultPage* Results;
  QTableView *GridView1, *GridView2;
  QLineEdit* txtDupSearchStr;
  QStatusBar* StatusBar3;
};

}  // namespace plomix
