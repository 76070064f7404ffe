#pragma once
// Where a name kept exactly (one code page 932 cannot hold) takes its place
// when lists are sorted by name. Lists sort CP932 text; such a name sorts by
// its CP932 form in which an accented letter CP932 lacks counts as its base
// letter ("Főtanúsítvány" among the F's, "Ünïcödé" among the U's) and any
// other character it lacks as "?" (where it always sorted). Names whose keys
// tie are ordered by their exact bytes, so the order never depends on the
// order the rows came in.

#include <string>
#include <string_view>

#include "core/Text.h"

namespace plomix {

// The CP932 text a name sorts by: `name` itself when `exact` is empty, else
// the form of `exact` (native bytes) described above.
Cp932 NameOrderKey(Cp932View name, std::string_view exact);

}  // namespace plomix
