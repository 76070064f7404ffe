#include "ui/DupPage.h"

namespace plomix {

DupPage::DupPage(Session& session, QWidget* parent)
    : ResultListPage(session, "TabSheet8", "GridView1", "GridView2", "StatusBar3", parent) {}

}  // namespace plomix
