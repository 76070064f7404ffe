#pragma once
// The open catalogue: its media slots, comment slots, the records of the one
// loaded media, the long-name side file and the counters and name lists derived
// from them. This class is the only code that reads and writes the catalogue
// file and its long-name file. Every change is written when it is made; the
// file is opened for each read or write and closed again.
//
// Failures follow one rule: operations that read report failure by their
// result (false, -1, empty); a failed write throws CatalogError naming the file.
// An index outside a table is an internal error (std::out_of_range).
//
// Several programs may work on one catalogue at once (the window for hours,
// the command-line tool from a timer). Every write is one transaction under
// the catalogue file's exclusive lock: it re-reads the slot and comment areas
// (and the long-name file when it was replaced) under that lock, applies its
// change to what is on disk now, and writes in an order that leaves a sound
// catalogue after a crash at any point: records first, then the long-name
// file (whole, to a temporary file that is synced and renamed into place),
// the slot table last, as the one small write of the slots that changed. A
// change made in memory to a slot that another program has changed meanwhile
// is refused with a CatalogError, and memory then holds what is on disk.
// Reads (open, load) hold the shared lock while they read.

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "browse/TreeDiff.h"
#include "core/BinaryFile.h"
#include "core/Error.h"
#include "core/ExactNames.h"
#include "core/Fingerprints.h"
#include "core/RecordArea.h"
#include "core/Records.h"

namespace plomix {

// The records of a media just read, handed to AddMedia one at a time so that
// the reader can keep them in whatever compact form it likes.
struct SideFileUndo;

class MediaRecordSource {
 public:
  virtual ~MediaRecordSource() = default;
  virtual int32_t RecordCount() const = 0;
  // Fills the persistent fields of record `index` (Name complete, any length).
  virtual void Fetch(int32_t index, TRecord& out) const = 0;
  // Native bytes of record `index`'s name when they do not survive the trip
  // through CP932 (its Name has '?' for what was lost); empty otherwise. The
  // view stays valid until the next call.
  virtual std::string_view NativeName(int32_t index) const {
    (void)index;
    return {};
  }
  // Content fingerprints of the records, when the reader took them.
  virtual FingerprintSetPtr Fingerprints() const { return nullptr; }
};

// A sorted list of distinct names (category or location), at most 100.
// Order and sameness follow the case-insensitive locale comparison.
class NameList {
 public:
  int Count() const { return static_cast<int>(names_.size()); }
  std::string Get(int index) const;  // "" outside the list
  bool Add(std::string_view name);   // false when present or full
  void Clear() { names_.clear(); }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

// Where an entry lies: its folder path from the media name ("Media\A\B\") and
// its own name.
struct RecordPathResult {
  std::string folder;
  std::string name;
};

// Outcome of CompactCatalog.
enum class CompactResult {
  NothingToDo,  // no deleted media
  Done,         // every deleted media squeezed out
  CopyFailed,   // a media's records could not be read; nothing was changed; see LastError()
};

// A media as a person was shown it. A change aimed at a slot checks it
// against the slot on disk under the catalogue's lock, because another program
// may have put another media there meanwhile (a compaction renumbers slots).
struct MediaIdentity {
  std::string name;                    // as the slot stores it (CP932)
  std::optional<int32_t> readDate;     // FileDate of its root record; unchecked when empty
  std::optional<int32_t> recordCount;  // unchecked when empty
};

// A change refused because the media meant is not where it was expected
// (nothing was changed). The message names the catalogue and the slot but no
// media, whose names are CP932; callers that show names word their own.
class MediaMismatch : public CatalogError {
 public:
  enum class Reason {
    Differs,       // the slot holds no live media of that identity
    NoneNamed,     // no live media has the name
    SeveralNamed,  // more than one live media has the name
  };
  MediaMismatch(Reason reason, int slot, const std::string& message)
      : CatalogError(message), reason_(reason), slot_(slot) {}
  MediaMismatch(Reason reason, int slot, ErrorInfo info)
      : CatalogError(std::move(info)), reason_(reason), slot_(slot) {}
  Reason reason() const { return reason_; }
  int slot() const { return slot_; }  // the slot checked; -1 for a look-up by name

 private:
  Reason reason_;
  int slot_;
};

// What an update carried from the media's old reading to its new one.
struct UpdateOutcome {
  int slot = -1;
  int commentsCarried = 0;  // comments relinked to the entry of the same path
  int marksCarried = 0;     // marked entries whose path is still there
  // Comments whose entry is gone (their slots are freed), by old path.
  std::vector<LostComment> lostComments;
  // What the new reading changed against the old one, lostComments included
  // (filled by the read workflow, which compares before it stores).
  DiffReport changes;
};

// The name a new catalogue gets: ".qdb" is appended unless the path already
// contains ".qdb" anywhere, in any letter case (so "backup.qdb.old" stays).
std::string ApplyCatalogExtension(const std::string& path);

// A media name as a slot stores it: at most 91 bytes, cut before a two-byte
// character that would not fit whole.
std::string StoredMediaName(std::string_view name);

// The media's own texts that the exact-name file can keep exactly.
enum class SlotText { Name, Category, Location, LocationDetail };
// Capacity of the field in CP932 bytes.
std::size_t SlotTextCap(SlotText field);

// A text given as UTF-8 made to fit a field of `capBytes` CP932 bytes: cut
// after the last whole character (a code point, so an emoji or any other
// character outside the basic plane is never split) whose CP932 form still
// fits. `cp932` is what the field stores, `cut` whether anything was left out;
// callers tell the user before they store a cut text.
struct FittedText {
  std::string utf8;
  std::string cp932;
  bool cut = false;
};
FittedText FitToField(std::string_view utf8, std::size_t capBytes);

class Catalog {
 public:
  Catalog();

  // ---- Paths ----
  void SetCatalogPath(const std::string& path);
  const std::string& CatalogPath() const { return catalogPath_; }
  const std::string& DupPath() const { return dupPath_; }
  const std::string& LikePath() const { return likePath_; }
  const std::string& LongNamePath() const { return longNamePath_; }
  const std::string& ExactNamePath() const { return exactNamePath_; }
  bool IsOpen() const { return open_; }
  // Why the last open, load or compaction failed: coded for the window and
  // the CLI to word (text::ErrorText), and its English text.
  const ErrorInfo& LastFailure() const { return lastError_; }
  std::string LastError() const { return text::ErrorText(lastError_, text::Language::English); }

  // ---- Catalogue file ----
  // Creates an empty catalogue (and a fresh long-name file) at path, replacing
  // any file there; false when the old files cannot be removed or the new one
  // cannot be written. On success it is the open catalogue.
  bool CreateCatalog(const std::string& path);
  // Opens a catalogue (path empty: the current one). A missing or short file
  // fails and leaves the catalogue open before as it was.
  bool OpenCatalog(const std::string& path = {});
  // Reads the long-name file; false when missing or damaged (what could be
  // read soundly is kept; names without an entry show cut to 91 bytes).
  bool ReadLongNames();
  int Recount();
  // Writes the slots changed in memory (one transaction, see above).
  bool WriteSlotTable();

  // ---- Changes made by other programs ----
  // Whether the catalogue on disk differs from what this object last read
  // or wrote (its slot or comment areas, the file itself replaced by a
  // compaction or creation, the long-name file replaced). Reads 2.9 MB under
  // the shared lock; cheap enough to ask before every command.
  bool ChangedOnDisk();
  // Takes the catalogue as it is on disk now when it changed (the loaded media
  // is unloaded when its slot changed), and reports whether anything this
  // object shows may have changed since the last call, including changes that
  // a write of this object took over from disk. The caller then rebuilds what
  // it shows from the tables; slot indices it holds may name other media.
  bool RefreshFromDisk();

  // ---- Media ----
  // Stores a media just read as a new media in the first never-used slot of
  // the catalogue as it is on disk now, and returns that slot. With
  // `replaceSameName` the live media of the same name (the last one, as
  // FindMediaByName gives it) is deleted in the same transaction. Nothing
  // (no slot free, no records or more than the limit): empty. A failed write
  // leaves both files as they were, length included, and throws.
  // `beforeCommit` runs under the lock just before the slot table is written,
  // with the new media's slot as it will be stored, so that what the caller
  // keeps about the media in files of its own is written within the same
  // transaction; when it throws, nothing is stored.
  using BeforeCommit = std::function<void(const TMediaSlot& stored)>;
  std::optional<int> StoreMedia(const MediaRecordSource& records, TMediaInfomation& info,
                                bool replaceSameName = false,
                                const BeforeCommit& beforeCommit = {});
  // Stores a new reading of the media in `slot` in the same slot: the slot's
  // name, kind, category, location, detail and picture stay, and so do the
  // comments and marks of every entry whose path (exact names, kind folder or
  // file) is still there, the media's own included; a comment whose entry is
  // gone is freed and listed in the outcome. The media after it keep their
  // slots; their records move, so the catalogue and its side files are
  // written whole beside the old ones and put in place under a journal, as a
  // compaction does: a crash leaves the old media or the new one, whole.
  // The slot must hold `expect` under the lock (slot < 0: the one live media
  // of that name), else MediaMismatch and nothing changes. No records or more
  // than the limit: empty. `beforeCommit` runs as for StoreMedia.
  std::optional<UpdateOutcome> UpdateMedia(int slot, const MediaIdentity& expect,
                                           const MediaRecordSource& records, TMediaInfomation& info,
                                           const BeforeCommit& beforeCommit = {});
  // StoreMedia, the slot kept for LastAddedSlot.
  bool AddMedia(const MediaRecordSource& records, TMediaInfomation& info,
                bool replaceSameName = false, const BeforeCommit& beforeCommit = {});
  bool AddMedia(const std::vector<TRecord>& records, TMediaInfomation& info);
  int LastAddedSlot() const { return lastAddedSlot_; }
  // Deletes the media in `slot` and returns that slot (-1 when it was not
  // live). Without `expect` the slot must hold what this object last read
  // from it. With `expect` the slot on disk must hold that media under the
  // lock; a `slot` < 0 is the one live media named expect->name, looked up
  // under the lock. Otherwise MediaMismatch, and nothing changes.
  int DeleteMedia(int slot, const MediaIdentity* expect = nullptr);
  // Renames the media (name stored as StoredMediaName gives it), the media
  // found as DeleteMedia finds it. 1, or 0 when another slot has that name by
  // the time the change is made.
  int RenameMedia(int slot, std::string_view name, const MediaIdentity* expect = nullptr);
  // The identity of the media in a slot as this object last read it.
  MediaIdentity IdentityOf(int slot) const;
  // The last slot whose stored name is exactly this name as it would be
  // stored (case-sensitive); empty when none.
  std::optional<int> FindMediaByName(std::string_view name) const;
  // No slot holds the name (FindMediaByName is empty).
  bool IsMediaNameFree(std::string_view name) const;
  bool SetSlotDrive(int slot, std::string_view text);
  bool SetSlotCategory(int slot, std::string_view text);
  bool SetSlotLocation(int slot, std::string_view text);
  bool SetSlotLocationDetail(int slot, std::string_view text);
  void ChangeMediaDrive(int32_t key, std::string_view drive);

  // ---- The media's texts as the user gave them (UTF-8) ----
  // The CP932 setters above store '?' for what CP932 lacks. These take the
  // text as UTF-8, store its CP932 form in the slot (cut as FitToField does)
  // and keep the exact text in the exact-name file, written in the same
  // transaction as the slot: SetSlotText changes memory like the setters above
  // and WriteSlotTable writes both (Category, Location, LocationDetail only;
  // false for another field or slot). A text CP932 holds exactly clears the
  // exact form. A CP932 setter that changes a field's text drops its exact
  // form; one that leaves the text as it is keeps it.
  bool SetSlotText(int slot, SlotText field, std::string_view utf8);
  // RenameMedia with the name as UTF-8. Names are told apart by their CP932
  // form: two names that differ only in characters CP932 lacks are the same.
  int RenameMediaText(int slot, std::string_view utf8, const MediaIdentity* expect = nullptr);
  // The field's text to show (UTF-8): the exact text when one is kept for
  // what the field holds now, else its CP932 text converted.
  std::string ExactSlotText(int slot, SlotText field) const;
  // Whether an exact text is kept for the field.
  bool HasExactSlotText(int slot, SlotText field) const;
  // The distinct texts (as ExactSlotText gives them) the live media hold in
  // the field, empty ones left out, in the order of their CP932 forms: the
  // category and location lists with texts that differ only in characters
  // CP932 lacks told apart.
  std::vector<std::string> ExactTextList(SlotText field) const;
  // Byte position of the media's record 0 and its record count.
  bool LocateMedia(int slot, int64_t& position, int32_t& count) const;

  // ---- The loaded media ----
  bool LoadMedia(int slot);
  int LoadedMediaSlot() const { return loadedMedia_; }
  int LoadedCount() const { return loadedCount_; }
  // Record r of the loaded media, 0 <= r <= LoadedCount() (the last is the
  // end record).
  const TFileRec& LoadedRec(int r) const;
  RecordPathResult RecordPath(int32_t key);
  // Folder path of a loaded record's container ("Media\A"), "" for the root.
  std::string BuildRecordPath(int slot, int record);
  void ResetPathCache();
  // Display name of record r of the loaded media: its complete long name when
  // it has one, else the stored name.
  std::string RecordName(int r) const;
  // Hands every record of a media to `visit` in index order, reading the file
  // in blocks and leaving the loaded media untouched, so that a pass over all
  // media costs memory for one block only. Records are delivered as stored
  // (record 0 with its stored name, links unchecked). False, before anything
  // is visited, when the media has no records or they are not wholly inside
  // the file; see LastError().
  bool VisitMediaRecords(int slot,
                         const std::function<void(int32_t index, const TFileRec& rec)>& visit);
  // The stored records of a media (record 0 with its stored name, links
  // unchecked), for a pass that examines few of them closely; the file stays
  // locked while the area lives. Null (see LastError()) as VisitMediaRecords
  // fails.
  std::unique_ptr<RecordArea> OpenRecordArea(int slot);

  // ---- Slot fields by key ----
  std::string MediaNameOf(int32_t key) const;
  std::string MediaDriveOf(int32_t key) const;
  std::string MediaVolumeNameOf(int32_t key) const;
  std::string MediaVolumeSerialOf(int32_t key) const;
  const TMediaSlot& Slot(int slot) const;
  TMediaSlot CopySlot(int32_t key) const;
  std::string SlotVolumeSerial(int slot) const;
  int32_t SlotReadDate(int slot) const;
  bool FetchMediaFacts(int32_t key);
  const TMediaInfomation& ShownMedia() const { return shownMedia_; }

  // ---- Marks and comment links ----
  // Returns the new mark, or -1 when the media cannot be loaded.
  enum class MarkChange { Toggle, Set, Clear, Keep };
  int SetMark(MarkChange change, int32_t key);
  void SetCommentLink(int commentIndex, int32_t key);
  void WriteRecord(int32_t key);
  void WriteRoot(int32_t key);

  // ---- Comments ----
  // Stores a new comment and links the entry of `key` (when it is a record of
  // the catalogue) to it, in one synced transaction; the comment's index, -1
  // when the table is full.
  int AddComment(int32_t key, std::string_view text, int16_t kind, std::string_view name);
  std::string CommentText(int index) const;
  void UpdateComment(int index, int32_t key, std::string_view text);
  void DeleteComment(int index);
  // AddComment and UpdateComment with the text as UTF-8 (line breaks as
  // "\r\n"), cut to the comment's capacity as FitToField does; the exact text
  // is kept as for SetSlotText, written before the comment slot in its
  // transaction. A comment's exact text is bound to its index and its CP932
  // text, not to its key: changing the key (UpdateComment with the same text,
  // or a compaction) keeps it.
  int AddCommentText(int32_t key, std::string_view utf8, int16_t kind, std::string_view name);
  void UpdateCommentText(int index, int32_t key, std::string_view utf8);
  // The comment's text to show (UTF-8, "\r\n" kept): its exact text, else the
  // CP932 text converted; "" for a free slot.
  std::string ExactCommentText(int index) const;
  bool HasExactCommentText(int index) const;
  void WriteCommentSlot(int index);
  const TCommentSlot& CommentSlot(int index) const;
  int BuildCommentList();
  int CommentListCount() const { return static_cast<int>(commentList_.size()); }
  int CommentListIndex(int row) const;  // comment index of a row, -1 outside
  std::string CommentCell(int row, int column) const;
  void SortCommentList(int column, bool ascending);

  // ---- Counters, filter, name lists, totals ----
  int SlotsUsed() const { return slotsUsed_; }
  int MediaCount() const { return mediaCount_; }
  int FilteredMediaCount() const { return filteredMediaCount_; }
  bool HasFreeSlot() const { return slotsUsed_ < kMaxMedia; }
  std::string LiveMediaName(int n) const;
  int64_t TotalFolders() const;
  int64_t TotalFiles() const;
  bool MatchesCategoryFilter(int slot) const;
  // "すべて" (all) stores the empty filter. Recounts.
  void SetCategoryFilter(std::string_view category);
  const std::string& CategoryFilter() const { return categoryFilter_; }
  void RebuildNameLists();
  NameList& CategoryNames() { return categoryNames_; }
  NameList& LocationNames() { return locationNames_; }

  // ---- Long names ----
  void AppendLongName(int32_t record, std::string_view name);
  int LongNameEntries() const { return static_cast<int>(longNames_.size()); }
  const TLongName& LongNameEntry(int i) const { return longNames_.at(static_cast<std::size_t>(i)); }
  std::string LongNameOf(int record) const;
  bool HasLongName(int record) const;
  std::string LongNameByKey(int32_t key, std::string_view storedName) const;
  // LongNameByKey for a media slot and record index given apart, so that
  // records at index 1,000,000 and beyond are found too.
  std::string LongNameOfRecord(int slot, int32_t record, std::string_view storedName) const;
  const TLongNameMedia& LongNameMedia(int slot) const;
  int32_t LongNameUsed() const { return lnUsed_; }
  std::string MediaPicture(int slot) const;
  void SetMediaPicture(int slot, std::string_view path);
  // Long-name statistics of a media that the caller has loaded: how many long
  // names it has (negative: how many names may have been cut, when it has no
  // long-name entry), and how many names were cut.
  int LongNameCount(int slot);
  int CutNameCount(int slot);

  // ---- Exact names (core/ExactNames.h) ----
  // Native bytes of record r of the loaded media, empty when its CP932 name
  // is exact. Views stay valid until the catalogue is next read or written.
  std::string_view ExactName(int r) const;
  // The same for any media.
  std::string_view ExactNameOfRecord(int slot, int32_t record) const;
  // All exact names of a media (null when it has none), for snapshots.
  ExactNameSetPtr ExactNamesOf(int slot) const;
  // The name to show a person (UTF-8, escaped as text::NativeNameToUtf8
  // does): the exact name when there is one, else the complete CP932 name
  // (`cp932Name` is the stored or the long name; the long one is looked up).
  std::string ShownName(int slot, int32_t record, std::string_view cp932Name) const;
  QString ShownQName(int slot, int32_t record, std::string_view cp932Name) const;
  // ShownName of record r of the loaded media.
  std::string ShownRecordName(int r) const;
  // BuildRecordPath with shown names (UTF-8): "Media\A\B" for the folder
  // holding record `record`, "" for the root or when the media cannot be loaded.
  std::string ShownFolderPath(int slot, int record);
  // The native name of record r of the loaded media, for the file system:
  // the exact name, else the CP932 name converted.
  std::string NativeRecordName(int r) const;
  // A text to show once when the exact-name file was found damaged (or gone
  // after it had been read): the CP932 names stand in for the names it lost
  // until the next add rewrites it; likewise for a damaged long-name file.
  // Empty when there is nothing to tell.
  std::string TakeSideFileWarning();
  bool ExactNamesDamaged() const { return exactDamaged_; }

  // ---- Content fingerprints (core/Fingerprints.h) ----
  // The fingerprints stored for a media (null when it was read without them,
  // or the fingerprint file lost them). A damaged file is told about once
  // through TakeSideFileWarning.
  FingerprintSetPtr FingerprintsOf(int slot) const;
  // The stored fingerprints of a media's files by path, for a new reading of
  // it to take over those of files that did not change (loads the media;
  // empty when it has none or cannot be loaded).
  FingerprintsByPath FingerprintsByPathOf(int slot);
  const std::string& FingerprintPath() const { return fingerprintPath_; }

  // ---- Catalogue file facts ----
  int64_t CatalogFileSize() const;
  double CatalogFreeSpace() const;

  // ---- Compaction ----
  // Squeezes deleted media out of the catalogue. `progress` receives the
  // status text of each move ("" at the end). The compacted catalogue and its
  // long-name file are written beside the old ones and renamed into place
  // together (see docs/file-formats.md), so a crash leaves the old catalogue
  // or the new one. Records after the last media (left by an interrupted
  // add) are cut off in every case.
  CompactResult CompactCatalog(const std::function<void(const QString&)>& progress = {});
  // Moves `count` records from position `source` to `destination` (not after
  // the source); the byte offset after the last record written, or 0 when the
  // source range is not wholly inside the file (then nothing is written).
  static int64_t CopyRecords(const std::string& path, int32_t count, int64_t destination,
                             int64_t source);

 private:
  // Compaction (Compaction.cpp): the plan of every table afterwards (a
  // result when there is nothing to copy or the records are not sound), the
  // copy of the records into the new file, the commit that puts the new
  // files in place (`committed` once the journal exists), and memory taking
  // the plan over.
  struct CompactionPlan;
  std::optional<CompactResult> PlanCompaction(BinaryFile& file, CompactionPlan& plan);
  void CopyCompactedRecords(BinaryFile& file, BinaryFile& incoming, const CompactionPlan& plan,
                            const std::function<void(const QString&)>& report);
  void CommitCompaction(CompactionPlan& plan, bool& committed);
  void AdoptCompaction(CompactionPlan& plan);
  TMediaSlot& MutableSlot(int slot);
  void ResetTables();
  void WriteLongNameFile();
  std::vector<uint8_t> LongNameFileBytes() const;
  bool ReadLongNamesFrom(BinaryFile& file);
  void ResetLongNameHeader();
  // The same without clearing the media table: for callers that fill or
  // restore that table themselves next.
  void ResetLongNameIndex();
  // The catalogue file, locked; a compaction that was committed but not put
  // in place wholly is finished first, and temporary files of writes that
  // were cut off are removed, under the exclusive lock.
  BinaryFile LockCatalog(bool exclusive);
  // Brings memory up to the disk in a transaction: keeps slot and comment
  // edits not yet written where the other program left them alone, throws on
  // a conflict. True when anything came from the other program.
  bool SyncWithDisk(BinaryFile& file, bool keepEdits);
  // Takes the fixed areas as read from disk. The long names are left to the
  // caller, which reads or restores them next.
  void AdoptAreas(std::vector<uint8_t> areas, const io::FileStamp& stamp);
  void WriteChangedSlots(BinaryFile& file);
  std::vector<TMediaSlot> SlotsOnDisk() const;
  void PutSlotsBack(BinaryFile& file, const std::vector<TMediaSlot>& slots);
  // Writes the changed slots and syncs them; on failure the slots `before`
  // go back on disk and into memory.
  void CommitSlots(BinaryFile& file, const std::vector<TMediaSlot>& before);
  // False (with LastError) when the file or the slot changed since it was read.
  bool SlotStillOnDisk(BinaryFile& file, int slot);
  // Under the lock, after SyncWithDisk: the slot a change by slot acts on,
  // checked as DeleteMedia describes (`seen`: the slot before the sync).
  int SlotToChange(int slot, const TMediaSlot& seen, const MediaIdentity* expect) const;
  void WriteChangedComments(BinaryFile& file);
  void UpdateRecord(int32_t key, const std::function<void(TFileRec&)>& change);
  void UpdateRecordLocked(BinaryFile& file, int32_t key,
                          const std::function<void(TFileRec&)>& change);
  // Why no records may be placed after the existing ones (a media count no
  // media can have would put them gigabytes away), "" when the counts are
  // sound. Checked before any write that places records.
  ErrorInfo UnsoundSlotTable() const;
  // A replacing add stores its media and deletes the one it replaces in two
  // slot writes; the intent written before them lets whoever takes the lock
  // after a crash between them finish the deletion.
  void WriteReplaceIntent(int replaced, int stored, const TMediaSlot& deleted);
  void FinishReplace(BinaryFile& file);
  std::optional<int> AddMediaLocked(BinaryFile& file, const MediaRecordSource& records,
                                    TMediaInfomation& info, bool replaceSameName,
                                    const BeforeCommit& beforeCommit);
  void RebuildLongNameIndex();
  bool DropUnsoundLongNameRanges();
  void DropNeverStoredLongNames();
  void BuildLongMap();
  int64_t SlotPosition(int slot) const;  // record position of slot's record 0
  int FirstNeverUsedSlot() const;
  // The records' exact names (null when none) come back for StoreExactNames.
  ExactNameSetPtr WriteRecordsOf(BinaryFile& file, const MediaRecordSource& records,
                                 int64_t position);
  void UnloadMedia();
  void CheckLoaded(int slot, int record) const;
  // Exact-name file: read (under the catalogue's lock), matched to the slots,
  // appended to by an add, rewritten whole when damaged and by compaction.
  void ReadExactNamesFrom(BinaryFile& catalogue);
  void AssignExactNames();
  ExactMediaIdentity SlotIdentity(int slot) const;
  std::vector<uint8_t> ExactFileBytes(const std::vector<ExactMediaIdentity>& identities,
                                      const std::vector<ExactNameSetPtr>& names,
                                      const std::vector<ExactText>& texts) const;
  void StoreExactNames(int slot, const ExactNameSetPtr& names, SideFileUndo& undo);
  // Exact texts: the last sound segment of the field that matches what it
  // holds now (null when none, or when that one clears it).
  const ExactText* FindExactText(ExactField field, int target, std::string_view cp932) const;
  // The text segment a change of a field needs (none when it needs none):
  // `utf8` is the text the user gave (null for a CP932 caller).
  std::optional<ExactText> ExactTextChange(ExactField field, int target, std::string_view oldCp932,
                                           bool oldLive, std::string_view newCp932,
                                           const std::string* utf8) const;
  // Appends text segments (synced) within a transaction; undone by
  // UndoExactTexts when the change they belong to fails.
  void AppendExactTexts(const std::vector<ExactText>& texts, SideFileUndo& undo);
  void UndoExactTexts(BinaryFile& catalogue, const SideFileUndo& undo);
  // The current exact texts as segments for a file written whole, slots
  // renumbered by `newSlot` (-1 gone) with their new identities.
  std::vector<ExactText> CurrentExactTexts(const std::vector<int>& newSlot,
                                           const std::vector<TMediaSlot>& slots,
                                           const std::vector<TCommentSlot>& comments) const;
  int AddCommentWith(int32_t key, std::string_view cp932, int16_t kind, std::string_view name,
                     const std::string* utf8);
  void UpdateCommentWith(int index, int32_t key, std::string_view cp932, const std::string* utf8);
  int RenameMediaWith(int slot, std::string_view name, const MediaIdentity* expect,
                      const std::string* utf8);
  void UndoExactNames(BinaryFile& catalogue, int slot, const SideFileUndo& undo);
  // Fingerprint file: read under the catalogue's lock; a media's segment
  // appended within its add and put back when the add fails.
  void ReadFingerprints();
  void StoreFingerprints(int slot, const FingerprintSetPtr& prints, SideFileUndo& undo);
  void UndoFingerprints(const SideFileUndo& undo);
  static std::vector<uint8_t> FingerprintFileBytes(
      const std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>>& segments);

  std::string catalogPath_, dupPath_, likePath_, longNamePath_, exactNamePath_;
  bool open_ = false;
  ErrorInfo lastError_;

  // The slot and comment areas as last read from or written to the file,
  // the file they came from, and the long-name file last read or written.
  std::vector<uint8_t> diskAreas_;
  io::FileStamp catalogStamp_, longNameStamp_;
  bool foreignChange_ = false;

  std::vector<TMediaSlot> mediaSlots_;
  std::vector<TCommentSlot> commentSlots_;
  int slotsUsed_ = 0, mediaCount_ = 0, filteredMediaCount_ = 0;
  int lastAddedSlot_ = -1;
  std::string categoryFilter_;
  NameList categoryNames_, locationNames_;
  TMediaInfomation shownMedia_;

  std::vector<TFileRec> loadedRecs_;
  int loadedMedia_ = -1;
  int loadedCount_ = 0;
  std::vector<int32_t> longMap_;  // record -> long-name entry; empty when none

  int pathCacheSlot_ = -1;
  int32_t pathCacheParent_ = -2;
  std::string pathCache_;

  // Long-name side file in memory.
  int32_t lnCapacity_ = kMaxMedia;
  int32_t lnUsed_ = 0;
  std::vector<TLongNameMedia> longNameMedia_;
  std::vector<TLongName> longNames_;
  std::unordered_map<int64_t, int32_t> longNameIndex_;  // slot * 2^32 + record -> entry
  bool longNamesDamaged_ = false;

  // Exact-name file in memory: the sound segments as last read or written,
  // the names of each slot whose identity one of them matches.
  std::vector<exact_file::Segment> exactSegments_;
  std::vector<exact_file::TextSegment> exactTexts_;
  // Texts given by SetSlotText, written by the next WriteSlotTable.
  std::map<std::pair<int, SlotText>, std::string> pendingSlotTexts_;
  int64_t exactAppendAt_ = 0;
  std::vector<ExactNameSetPtr> exactNames_;
  io::FileStamp exactStamp_;
  bool exactDamaged_ = false;
  std::string exactWarning_;
  io::FileStamp exactWarnedStamp_;
  // Fingerprint file in memory: its sound segments as last read or written.
  std::string fingerprintPath_;
  std::vector<fingerprint_file::Segment> fprSegments_;
  int64_t fprAppendAt_ = 0;
  io::FileStamp fprStamp_;
  io::FileStamp fprWarnedStamp_;
  bool fprDamaged_ = false;
  io::FileStamp longWarnedStamp_;  // the damaged long-name file last warned about  // the damaged
                                   // file last warned about

  std::vector<int> commentList_;

  int statsSlot_ = -1;
  int statsLongNames_ = 0, statsCutNames_ = 0;
};

}  // namespace plomix
