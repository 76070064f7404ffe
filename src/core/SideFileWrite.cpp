#include "core/SideFileWrite.h"

#include <filesystem>
#include <system_error>

namespace plomix {

SideFileWrite::SideFileWrite(const std::string& path, bool exists, const std::string& catalogPath,
                             SideFileUndo& undo)
    : path_(path),
      file_(path, exists ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Create, catalogPath),
      undo_(undo) {
  undo_.touched = true;
  undo_.created = !exists;
  undo_.length = file_.Size();
}

void SideFileWrite::CutAt(int64_t at, std::string_view signature) {
  at_ = at < static_cast<int64_t>(signature.size()) ? 0 : at;
  if (at_ < undo_.length) {
    undo_.cut.resize(static_cast<std::size_t>(undo_.length - at_));
    if (!file_.ReadAt(at_, undo_.cut.data(), undo_.cut.size())) undo_.cut.clear();
  }
  undo_.cutFrom = at_;
  bytes_.clear();
  if (at_ == 0) bytes_.assign(signature.begin(), signature.end());
}

int64_t SideFileWrite::Append(const std::vector<uint8_t>& bytes) {
  const int64_t offset = at_ + static_cast<int64_t>(bytes_.size());
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return offset;
}

int64_t SideFileWrite::Finish() {
  if (!bytes_.empty()) file_.WriteAt(at_, bytes_.data(), bytes_.size());
  const int64_t end = at_ + static_cast<int64_t>(bytes_.size());
  if (file_.Size() > end) file_.Truncate(end);
  file_.Sync();
  if (undo_.created) io::SyncFolderOf(path_);
  file_.Close();
  return end;
}

void ReplaceDamagedSideFile(const std::string& path, const std::vector<uint8_t>& bytes,
                            const std::string& catalogPath, SideFileUndo& undo) {
  std::error_code ec;
  const std::string damaged = path + ".damaged";
  if (!std::filesystem::exists(damaged, ec)) io::Link(path, damaged);
  io::Remove(path + ".old");
  undo.replaced = io::Link(path, path + ".old");
  undo.touched = true;
  io::ReplaceWhole(path, bytes, catalogPath);
}

void UndoSideFileWrite(const std::string& path, const SideFileUndo& undo) {
  if (!undo.touched) return;
  if (undo.created) {
    io::Remove(path);
  } else if (undo.replaced) {
    io::Rename(path + ".old", path);
  } else {
    BinaryFile file(path, BinaryFile::Mode::ReadWrite);
    if (!undo.cut.empty()) file.WriteAt(undo.cutFrom, undo.cut.data(), undo.cut.size());
    if (file.Size() > undo.length) file.Truncate(undo.length);
    file.Close();
  }
}

}  // namespace plomix
