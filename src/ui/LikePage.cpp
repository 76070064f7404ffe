#include "ui/LikePage.h"

namespace plomix {

LikePage::LikePage(Session& session, QWidget* parent)
    : ResultListPage(session, "TabSheet9", "GridView11", "GridView12", "StatusBar4", parent) {}

}  // namespace plomix
