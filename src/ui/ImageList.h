#pragma once
// The images of the tree, the list and the property header. Positions 0 to 17
// are built in: 0 the catalogue, 1-7 the media kinds (FD, HD, removable,
// CD/DVD, network, RAM disk, unknown; 7 also stands for several rows), 8 a
// folder, 9 an open folder, 10 a file, 11 the mark, 12 a program, 13 an
// installer, 14/15 the ascending/descending sort arrows, 16/17 the arrows of
// an extra sort key. Each comes from the desktop's icon theme when it has the
// icon, else from the drawings bundled with the program (ui/Icons), so a
// machine without any theme still shows every image. Per-extension icons of
// the theme are appended from 18 on, looked up once per extension for the
// whole run.

#include <QIcon>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/Records.h"

namespace plomix {

inline constexpr int kImageCatalogue = 0;
inline constexpr int kImageFloppy = 1;
inline constexpr int kImageHardDisk = 2;
inline constexpr int kImageRemovable = 3;
inline constexpr int kImageOpticalDisc = 4;
inline constexpr int kImageNetwork = 5;
inline constexpr int kImageRamDisk = 6;
inline constexpr int kImageUnknownMedia = 7;  // also several rows
inline constexpr int kImageFolder = 8;
inline constexpr int kImageOpenFolder = 9;
inline constexpr int kImageFile = 10;
inline constexpr int kImageMark = 11;
inline constexpr int kImageProgram = 12;
inline constexpr int kImageInstaller = 13;
inline constexpr int kImageSortUp = 14;
inline constexpr int kImageSortDown = 15;
inline constexpr int kImageSubSortUp = 16;
inline constexpr int kImageSubSortDown = 17;
inline constexpr int kBuiltInImages = 18;

class ImageList {
 public:
  ImageList();

  // Back to the built-in images, forgetting every extension looked up.
  void Reset();
  int Count() const { return static_cast<int>(icons_.size()); }
  // The image at a position; the file image for a position outside the list.
  QIcon Icon(int index) const;
  // The image of a list row: its kind's, or for a file the extension's icon
  // (10 without one), 12/13 for programs and installers.
  int ImageOfRow(const TRecord& row);

 private:
  int ImageOfExtension(const std::string& extension, const std::string& nameCp932);

  std::vector<QIcon> icons_;
  std::unordered_map<std::string, int> extensionImages_;
  std::unordered_set<std::string> withoutIcon_;
};

}  // namespace plomix
