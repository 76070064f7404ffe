// The keys of the name analysis: where names split into words, the bucket hash
// of a key, and the key of a record in the result files.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "analysis/NameAnalysis.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

// ---------------------------------------------------------------- helpers

uint32_t ElfHash(std::string_view bytes) {
  uint32_t h = 0;
  for (char c : bytes) {
    h = (h << 4) + static_cast<uint8_t>(c);
    const uint32_t g = h & 0xF0000000u;
    if (g != 0) h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

uint32_t BucketOf(std::string_view lowerKey) {
  return (ElfHash(lowerKey) / 80000u) % 5000u;
}

uint32_t ClampResultSize(double size) {
  if (!(size > 0)) return 0;
  if (size >= 4294967295.0) return 4294967295u;
  return static_cast<uint32_t>(std::llround(size));
}

int32_t ResultKey(int slot, int32_t record) {
  if (slot < 0 || slot >= kMaxMedia || record < 0 || record >= kMaxRecords)
    throw std::out_of_range("no key for record " + std::to_string(record) + " of media " +
                            std::to_string(slot));
  return MakeKey(slot, record);
}

bool SplitResultKey(int32_t key, int& slot, int32_t& record) {
  if (!IsEntryKey(key)) return false;
  slot = SlotOfKey(key);
  record = RecordOfKey(key);
  return slot < kMaxMedia;
}

// ---------------------------------------------------------------- delimiters

void KeyDelimiters::SetKeyDelimiters(std::string_view cp932) {
  chars_.clear();
  utf8Chars_.clear();
  doubles_.clear();
  std::fill(std::begin(single_), std::end(single_), false);
  for (std::size_t i = 0; i < cp932.size() && chars_.size() < kMaxDelimiters;) {
    const auto byte = static_cast<uint8_t>(cp932[i]);
    if (text::IsLeadByte(byte) && i + 1 < cp932.size()) {
      chars_.emplace_back(cp932.substr(i, 2));
      utf8Chars_.push_back(text::Cp932ToUtf8(chars_.back()));
      doubles_.push_back(static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(cp932[i + 1])));
      i += 2;
    } else {
      chars_.emplace_back(cp932.substr(i, 1));
      utf8Chars_.push_back(text::Cp932ToUtf8(chars_.back()));
      single_[byte] = true;
      ++i;
    }
  }
}

bool KeyDelimiters::IsDelimiter(std::string_view text, std::size_t pos, std::size_t& length) const {
  const auto byte = static_cast<uint8_t>(text[pos]);
  if (text::IsLeadByte(byte) && pos + 1 < text.size()) {
    length = 2;
    const auto pair = static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(text[pos + 1]));
    return std::find(doubles_.begin(), doubles_.end(), pair) != doubles_.end();
  }
  length = 1;
  return single_[byte];
}

namespace {

// Cuts `name` into its words: `delimiterAt(pos, length)` tells whether a
// delimiter starts at pos and sets the length of the character there.
template <typename DelimiterAt>
void SplitWords(std::string_view name, int kind, bool noDelimiters,
                std::vector<std::string_view>& out, DelimiterAt delimiterAt) {
  out.clear();
  if (noDelimiters) {
    out.push_back(name);
    return;
  }
  // '.' is never the second byte of a two-byte character (nor inside a UTF-8
  // character), so the last one found by bytes is the last character.
  if (kind == kKindFile) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
  }
  std::size_t wordStart = 0;
  std::size_t pos = 0;
  while (pos < name.size()) {
    std::size_t length = 1;
    if (delimiterAt(name, pos, length)) {
      if (pos > wordStart) {
        out.push_back(name.substr(wordStart, pos - wordStart));
        if (out.size() == KeyDelimiters::kMaxWords) return;
      }
      wordStart = pos + length;
    }
    pos += length;
  }
  if (name.size() > wordStart) out.push_back(name.substr(wordStart));
}

}  // namespace

void KeyDelimiters::SplitNameKeysInto(std::string_view name, int kind,
                                      std::vector<std::string_view>& out) const {
  SplitWords(name, kind, chars_.empty(), out,
             [this](std::string_view text, std::size_t pos, std::size_t& length) {
               return IsDelimiter(text, pos, length);
             });
}

void KeyDelimiters::SplitShownNameKeysInto(std::string_view name, int kind,
                                           std::vector<std::string_view>& out) const {
  SplitWords(name, kind, chars_.empty(), out,
             [this](std::string_view text, std::size_t pos, std::size_t& length) {
               for (const std::string& d : utf8Chars_) {
                 if (!d.empty() && text.substr(pos, d.size()) == d) {
                   length = d.size();
                   return true;
                 }
               }
               // One UTF-8 character (a shown name is valid UTF-8).
               length = 1;
               while (pos + length < text.size() &&
                      (static_cast<uint8_t>(text[pos + length]) & 0xC0) == 0x80)
                 ++length;
               return false;
             });
}

std::string ExactKeyWord(std::string_view shownName, std::string_view cp932Word,
                         std::string_view delimitersCp932, int kind) {
  KeyDelimiters delimiters;
  delimiters.SetKeyDelimiters(delimitersCp932);
  std::vector<std::string_view> words;
  delimiters.SplitShownNameKeysInto(shownName, kind, words);
  const std::string lowerWord = text::AnsiLower(cp932Word);
  for (std::string_view word : words) {
    bool exact = true;
    const std::string cp932 = text::NativeNameToCp932(word, exact);
    if (!exact && text::AnsiLower(cp932) == lowerWord) return std::string(word);
  }
  return {};
}

std::vector<std::string> KeyDelimiters::SplitNameKeys(std::string_view name, int kind) const {
  std::vector<std::string_view> views;
  SplitNameKeysInto(name, kind, views);
  return {views.begin(), views.end()};
}

}  // namespace plomix
