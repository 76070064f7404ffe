#include "search/NameScan.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <memory>

#include "core/Records.h"
#include "core/Text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plomix {

namespace {

constexpr std::size_t kRec = TFileRec::kSize;
constexpr std::size_t kNameAt = TFileRec::kName + 1;  // after the length byte

bool IsAsciiLetter(uint8_t byte) {
  return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
}

uint8_t FoldAscii(uint8_t byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<uint8_t>(byte + ('a' - 'A')) : byte;
}

// The two-byte characters that lower-casing gives from some other character or
// turns into another: a lower-cased name holding one of them may hold other
// bytes before lower-casing. Every other character is held as it is.
const std::bitset<65536>& ChangedByLowering() {
  static const std::unique_ptr<std::bitset<65536>> changed = [] {
    auto bits = std::make_unique<std::bitset<65536>>();
    std::string all;
    for (int lead = 0x80; lead < 0x100; ++lead) {
      if (!text::IsLeadByte(static_cast<uint8_t>(lead))) continue;
      for (int trail = 0; trail < 0x100; ++trail) {
        all.push_back(static_cast<char>(lead));
        all.push_back(static_cast<char>(trail));
      }
    }
    const std::string lower = text::AnsiLower(all);
    for (std::size_t i = 0; i + 1 < all.size(); i += 2) {
      const auto from = static_cast<uint16_t>(static_cast<uint8_t>(all[i]) << 8 |
                                              static_cast<uint8_t>(all[i + 1]));
      const auto to = static_cast<uint16_t>(static_cast<uint8_t>(lower[i]) << 8 |
                                            static_cast<uint8_t>(lower[i + 1]));
      if (from != to) {
        bits->set(from);
        bits->set(to);
      }
    }
    return bits;
  }();
  return *changed;
}

// The longest run of `literal`'s characters that a name must hold as they are
// when its lower-cased form holds `literal` starting on a character: bytes
// other than ASCII letters and two-byte characters lowering leaves alone and
// reaches from no other. A lead byte at the end stands for a character whose
// second byte is unknown, and is left out.
std::string_view HeldRun(std::string_view literal) {
  const std::bitset<65536>& changed = ChangedByLowering();
  std::size_t best = 0, bestLength = 0, start = 0;
  for (std::size_t i = 0; i < literal.size();) {
    const auto byte = static_cast<uint8_t>(literal[i]);
    std::size_t length = 1;
    bool held;
    if (text::IsLeadByte(byte)) {
      length = 2;
      held = i + 1 < literal.size() && !changed.test(static_cast<std::size_t>(byte) << 8 |
                                                     static_cast<uint8_t>(literal[i + 1]));
    } else {
      held = !IsAsciiLetter(byte);
    }
    if (!held) {
      start = i + length;
    } else if (i + length - start > bestLength) {
      best = start;
      bestLength = i + length - start;
    }
    i += length;
  }
  return literal.substr(best, std::min(bestLength, literal.size() - best));
}

}  // namespace

bool NameScan::RunOf(std::string_view pattern, bool partial, bool caseSensitive, Run& run) {
  // The literal pieces of the pattern that the full test finds starting on a
  // character of the name: the whole substring; the piece a wildcard pattern
  // begins with, and every piece after a "*". With the case counting, any
  // piece will do: its bytes are compared as they are.
  std::string_view best;
  if (partial) {
    best = pattern;
  } else {
    std::size_t i = 0;
    bool anchored = true;
    while (i < pattern.size()) {
      bool star = false, single = false;
      for (; i < pattern.size() && (pattern[i] == '*' || pattern[i] == '?'); ++i)
        (pattern[i] == '*' ? star : single) = true;
      const std::size_t start = i;
      while (i < pattern.size() && pattern[i] != '*' && pattern[i] != '?') ++i;
      const std::string_view literal = pattern.substr(start, i - start);
      if (star || (anchored && !single) || caseSensitive)
        if (literal.size() > best.size()) best = literal;
      anchored = false;
    }
  }
  if (best.empty()) return false;
  run.foldAscii = false;
  if (caseSensitive) {
    run.bytes.assign(best);
    return true;
  }
  if (std::all_of(best.begin(), best.end(), [](char c) { return (c & 0x80) == 0; })) {
    run.bytes.assign(best);
    run.foldAscii = true;
    return true;
  }
  run.bytes.assign(HeldRun(best));
  return !run.bytes.empty();
}

void NameScan::Prepare(const SearchConditions& c, std::string_view pattern1,
                       std::string_view pattern2) {
  usable_ = false;
  runs_.clear();
  if (!c.nameEnabled || (c.commentEnabled && !c.commentCombineAnd)) return;
  // Either pattern may pass a name when the partial patterns are combined by
  // OR; otherwise the first one must. A pattern CP932 cannot hold passes no
  // name stored in CP932.
  const bool either = c.namePartial && !pattern2.empty() && !c.nameCombineAnd;
  const auto add = [&](std::string_view pattern, bool held) {
    if (!held) return true;
    Run run;
    if (!RunOf(pattern, c.namePartial, c.nameCaseSensitive, run)) return false;
    runs_.push_back(std::move(run));
    return true;
  };
  if (!add(pattern1, c.nameCp932Exact)) return;
  if (either && !add(pattern2, c.nameCp932Exact2)) return;
  usable_ = true;
}

void NameScan::Candidates(const uint8_t* block, int32_t n, std::vector<int32_t>& out) const {
  const std::size_t before = out.size();
  for (const Run& run : runs_) Find(run, block, n, out);
  if (runs_.size() > 1) {
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(before), out.end());
    out.erase(std::unique(out.begin() + static_cast<std::ptrdiff_t>(before), out.end()), out.end());
  }
}

void NameScan::Find(const Run& run, const uint8_t* block, int32_t n,
                    std::vector<int32_t>& out) const {
  const auto* needle = reinterpret_cast<const uint8_t*>(run.bytes.data());
  const std::size_t m = run.bytes.size();
  const std::size_t size = static_cast<std::size_t>(n) * kRec;
  if (m == 0 || m > TFileRec::kNameCap || size < m) return;
  const bool fold = run.foldAscii;
  const std::size_t appendedFrom = out.size();
  // A position found: is it inside a stored name, with the whole run?
  const auto check = [&](std::size_t pos) {
    const std::size_t record = pos / kRec;
    const std::size_t field = pos - record * kRec;
    if (field < kNameAt) return;
    const uint8_t* rec = block + record * kRec;
    const std::size_t length = std::min<std::size_t>(rec[TFileRec::kName], TFileRec::kNameCap);
    if (field + m > kNameAt + length) return;
    const uint8_t* at = block + pos;
    if (fold) {
      for (std::size_t k = 0; k < m; ++k)
        if (FoldAscii(at[k]) != needle[k]) return;
    } else if (std::memcmp(at, needle, m) != 0) {
      return;
    }
    const auto index = static_cast<int32_t>(record);
    if (out.size() == appendedFrom || out.back() != index) out.push_back(index);
  };
  std::size_t i = 0;
  const std::size_t last = size - m;  // the last position a run may start at
#if defined(__SSE2__)
  // The first and the last byte of the run compared at 16 positions at once;
  // letters folded by setting their 0x20 bit, which leaves a letter of either
  // case equal to its lower-case form and no other byte.
  const uint8_t first = needle[0], final = needle[m - 1];
  const auto bit = [&](uint8_t b) { return fold && IsAsciiLetter(b) ? char(0x20) : char(0); };
  const __m128i firstV = _mm_set1_epi8(static_cast<char>(first));
  const __m128i finalV = _mm_set1_epi8(static_cast<char>(final));
  const __m128i firstFold = _mm_set1_epi8(bit(first));
  const __m128i finalFold = _mm_set1_epi8(bit(final));
  for (; i + 16 <= last + 1; i += 16) {
    const __m128i a =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i)), firstFold);
    const __m128i b = _mm_or_si128(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i + m - 1)), finalFold);
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, firstV), _mm_cmpeq_epi8(b, finalV))));
    while (mask != 0) {
      check(i + static_cast<std::size_t>(__builtin_ctz(mask)));
      mask &= mask - 1;
    }
  }
#endif
  if (!fold) {
    while (i <= last) {
      const void* hit = std::memchr(block + i, needle[0], last + 1 - i);
      if (hit == nullptr) break;
      const auto pos = static_cast<std::size_t>(static_cast<const uint8_t*>(hit) - block);
      check(pos);
      i = pos + 1;
    }
  } else {
    for (; i <= last; ++i)
      if (FoldAscii(block[i]) == needle[0]) check(i);
  }
}

}  // namespace plomix
