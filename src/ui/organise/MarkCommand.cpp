#include "ui/organise/MarkCommand.h"

#include "core/Catalog.h"
#include "organise/Comments.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

bool MarkCommand(Session& session, const std::vector<TRecord*>& rows,
                 const std::function<bool()>& rowsStillValid) {
  if (session.Busy() || rows.empty()) return false;
  WaitCursor wait;
  bool valid = true;
  Safely(session.Ask(), [&] {
    ToggleMarks(session.GetCatalog(), rows, [&] {
      Pump();
      valid = !rowsStillValid || rowsStillValid();
      return valid;
    });
  });
  return valid;
}

}  // namespace plomix
