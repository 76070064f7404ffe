#pragma once
// A main window on a session of its own, built and destroyed in the order the
// program uses: the session first and last. Settings go where
// PLOMIX2_CONFIG_DIR points when it is built.

#include "ui/PxMain.h"
#include "ui/Session.h"

namespace plomix::test {

struct SessionWindow {
  explicit SessionWindow(Prompter& prompter) : session(prompter), window(session) {}
  Session session;
  TfrmMain window;
};

}  // namespace plomix::test
