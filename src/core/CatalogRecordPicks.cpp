#include "core/Catalog.h"

namespace plomix {

bool Catalog::VisitMediaRecordsAt(
    int slot, const std::vector<int32_t>& records,
    const std::function<void(int32_t index, const TFileRec& rec)>& visit) {
  int64_t position = 0;
  int32_t count = 0;
  if (!LocateMedia(slot, position, count)) {
    lastError_ = "Media " + std::to_string(slot) + " has no records";
    return false;
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i] < 0 || records[i] >= count || (i > 0 && records[i] <= records[i - 1])) {
      lastError_ =
          "Record " + std::to_string(records[i]) + " is not one of media " + std::to_string(slot);
      return false;
    }
  }
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = "Cannot open \"" + catalogPath_ + "\"";
    return false;
  }
  if (!SlotStillOnDisk(file, slot)) return false;
  if (file.Size() < position + int64_t{count} * static_cast<int64_t>(TFileRec::kSize)) {
    lastError_ = "The records of media " + std::to_string(slot) + " run past the end of \"" +
                 catalogPath_ + "\"";
    return false;
  }
  // Records a few apart are read together: one read of the run costs less
  // than a read for each.
  constexpr int32_t kGap = 24, kMaxRun = 2048;
  std::vector<TFileRec> block;
  for (std::size_t i = 0; i < records.size();) {
    const int32_t first = records[i];
    std::size_t j = i + 1;
    while (j < records.size() && records[j] - records[j - 1] <= kGap &&
           records[j] - first < kMaxRun)
      ++j;
    const int32_t length = records[j - 1] - first + 1;
    block.resize(static_cast<std::size_t>(length));
    if (!file.ReadAt(position + int64_t{first} * TFileRec::kSize,
                     reinterpret_cast<uint8_t*>(block.data()),
                     static_cast<std::size_t>(length) * TFileRec::kSize))
      throw CatalogError("\"" + catalogPath_ + "\" became shorter while it was read");
    for (; i < j; ++i) visit(records[i], block[static_cast<std::size_t>(records[i] - first)]);
  }
  return true;
}

}  // namespace plomix
