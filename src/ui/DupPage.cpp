#include "ui/DupPage.h"

#include <QBoxLayout>

#include "analysis/ResultStore.h"
#include "ui/AnalysisUi.h"
#include "ui/ResultPage.h"
#include "ui/Session.h"

namespace plomix {

DupPage::DupPage(Session& session, QWidget* parent) : Page(parent) {
  setObjectName(QStringLiteral("TabSheet8"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Results = new ResultPage(AnalysisMode::Duplicate, session.DupStore(), session.GetCatalog(),
                           session.GetSettings(), session.Ask(), session.Images(), this);
  layout->addWidget(Results);
  GridView1 = Results->GroupGrid;
  GridView2 = Results->MemberGrid;
  txtDupSearchStr = Results->txtSearchStr;
  StatusBar3 = Results->StatusBar;
}

void DupPage::ConnectAnalyses(AnalysisUi& analyses) {
  analyses.SetResultPage(AnalysisMode::Duplicate, Results);
}

}  // namespace plomix
