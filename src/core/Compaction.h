#pragma once
// What the compaction button shows: its hint, and whether there is anything to
// squeeze out (deleted media that still hold their slots and records).

#include <QString>

#include "core/Catalog.h"

namespace plomix {

struct CompactionButtonState {
  QString hint;  // "DB最適化", with the number of deleted media when there are any
  bool enabled = false;
};

// Recounts the catalogue and returns the button's state.
CompactionButtonState RefreshCompactionButton(Catalog& catalog);

// The status text shown while the k-th (from 1) of n media is being moved.
QString CompactionProgressText(int k, int n);

}  // namespace plomix
