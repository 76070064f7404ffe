#include "ui/LikePage.h"

#include <QBoxLayout>

#include "analysis/ResultStore.h"
#include "ui/AnalysisUi.h"
#include "ui/ResultPage.h"
#include "ui/Session.h"

namespace plomix {

LikePage::LikePage(Session& session, QWidget* parent) : Page(parent) {
  setObjectName(QStringLiteral("TabSheet9"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Results = new ResultPage(AnalysisMode::Similar, session.LikeStore(), session.GetCatalog(),
                           session.GetSettings(), session.Ask(), session.Images(), this);
  layout->addWidget(Results);
  GridView11 = Results->GroupGrid;
  GridView12 = Results->MemberGrid;
  txtLikeSearchStr = Results->txtSearchStr;
  StatusBar4 = Results->StatusBar;
}

void LikePage::ConnectAnalyses(AnalysisUi& analyses) {
  analyses.SetResultPage(AnalysisMode::Similar, Results);
}

}  // namespace plomix
