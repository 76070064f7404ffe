// Writes the seed corpora (one folder per harness, a few small files each)
// through the same input layouts the harnesses read.
//   usage: plomix_fuzz_seeds OUTPUT_FOLDER   (the checkout's fuzz/corpus)

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/ResultStore.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace {

using namespace plomix;

void Put(std::string& b, std::size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// A minimal PE32 file whose only resource is a version record 1.2.3.4.
std::string TinyPe() {
  constexpr std::size_t lfanew = 0x40, optional = lfanew + 24, sections = optional + 224;
  constexpr std::size_t rsrc = 0x200, info = rsrc + 0x58;
  std::string b(info + 92, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put(b, 0x3C, lfanew, 4);
  Put(b, lfanew, 0x00004550, 4);
  Put(b, lfanew + 4, 0x14C, 2);
  Put(b, lfanew + 6, 1, 2);
  Put(b, lfanew + 20, 224, 2);
  Put(b, optional, 0x10B, 2);
  Put(b, optional + 92, 16, 4);
  Put(b, optional + 96 + 16, 0x1000, 4);
  Put(b, optional + 96 + 20, 0x58 + 92, 4);
  Put(b, sections + 8, 0x58 + 92, 4);
  Put(b, sections + 12, 0x1000, 4);
  Put(b, sections + 16, 0x58 + 92, 4);
  Put(b, sections + 20, rsrc, 4);
  Put(b, rsrc + 14, 1, 2);
  Put(b, rsrc + 16, 16, 4);
  Put(b, rsrc + 20, 0x80000000u | 0x18, 4);
  Put(b, rsrc + 0x18 + 14, 1, 2);
  Put(b, rsrc + 0x18 + 16, 1, 4);
  Put(b, rsrc + 0x18 + 20, 0x80000000u | 0x30, 4);
  Put(b, rsrc + 0x30 + 14, 1, 2);
  Put(b, rsrc + 0x30 + 16, 0x411, 4);
  Put(b, rsrc + 0x30 + 20, 0x48, 4);
  Put(b, rsrc + 0x48, 0x1000 + 0x58, 4);
  Put(b, rsrc + 0x4C, 92, 4);
  Put(b, info, 92, 2);
  Put(b, info + 2, 52, 2);
  const char16_t key[] = u"VS_VERSION_INFO";
  for (std::size_t i = 0; i < 16; ++i) Put(b, info + 6 + 2 * i, key[i], 2);
  Put(b, info + 40, 0xFEEF04BD, 4);
  Put(b, info + 48, (1u << 16) | 2, 4);
  Put(b, info + 52, (3u << 16) | 4, 4);
  return b;
}

std::string MatcherInput(bool partial, const std::string& pattern, const std::string& name) {
  return std::string{static_cast<char>(partial), static_cast<char>(pattern.size())} + pattern +
         name;
}

std::string TextInput(const std::string& a, const std::string& b, uint8_t from) {
  return std::string{static_cast<char>(a.size()), static_cast<char>(from)} + a + b;
}

std::string ResultFile(Catalog& catalog, ResultStore& store, std::string_view delimiters) {
  store.SetPathFromCatalog(catalog.CatalogPath());
  store.Search().Delimiters().SetKeyDelimiters(delimiters);
  store.Search().RunNameAnalysis(catalog);
  store.Search().Sort();
  store.WriteResultFile(delimiters);
  return fuzz::ReadFile(store.Path());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const auto write = [&](const char* harness, const std::vector<std::string>& seeds) {
    std::filesystem::create_directories(out / harness);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      fuzz::WriteFile((out / harness / ("seed-" + std::to_string(i + 1))).string(), seeds[i]);
    }
  };

  const fuzz::Sample& sample = fuzz::SampleCatalog();
  const std::string catalogBytes = fuzz::ReadFile(sample.catalog);
  const std::string sampleInput = fuzz::CompressCatalog(catalogBytes, 3, 2);
  write("catalog", {sampleInput, fuzz::CompressCatalog(fuzz::FreshCatalogBytes(), 0, 0),
                    sampleInput.substr(0, sampleInput.size() - 5 * TFileRec::kSize - 40)});

  const std::string freshNames = [] {
    Catalog fresh;
    fresh.CreateCatalog(fuzz::WorkFile("fresh-names.qdb"));
    return fuzz::ReadFile(fresh.LongNamePath());
  }();
  write("longnames", {fuzz::CompressLongNames(fuzz::ReadFile(sample.longNames), 3),
                      fuzz::CompressLongNames(freshNames, 0)});

  Catalog catalog;
  if (!catalog.OpenCatalog(sample.catalog) || !catalog.ReadLongNames()) return 1;

  // Exact names for the sample's first media, and the same file cut short.
  ExactNameSet names;
  names.Add(1, "\xED\x95\x9C\xEA\xB5\xAD.txt");
  names.Add(2, "bad\xFF.bin");
  names.Add(7, "emoji \xF0\x9F\x98\x80");
  ExactMediaIdentity identity;
  identity.slot = 0;
  identity.firstRecord = 0;
  identity.count = catalog.Slot(0).Count();
  identity.readDate = catalog.SlotReadDate(0);
  const std::vector<uint8_t> segment = exact_file::EncodeSegment(identity, names);
  const std::string exact =
      std::string(exact_file::Signature()) + std::string(segment.begin(), segment.end());
  // Text segments: the first media's category and the first comment kept exactly.
  ExactText category;
  category.field = ExactField::Category;
  category.target = 0;
  category.media = identity;
  const std::string stored = catalog.Slot(0).Category();
  category.cp932Crc =
      exact_file::Crc32(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
  category.text = "caf\xC3\xA9 \xF0\x9F\x93\xB7";
  ExactText comment;
  comment.field = ExactField::Comment;
  comment.target = 0;
  comment.text = "\xED\x95\x9C\r\nline";
  std::string texts = exact;
  for (const ExactText& t : {category, comment}) {
    const std::vector<uint8_t> bytes = exact_file::EncodeText(t);
    texts.append(bytes.begin(), bytes.end());
  }
  write("exactnames", {exact, exact.substr(0, exact.size() - 7), texts});
  DupResultStore dup(&catalog);
  LikeResultStore like(&catalog);
  write("results", {fuzz::CompressResultFile(ResultFile(catalog, dup, {}), false),
                    fuzz::CompressResultFile(ResultFile(catalog, like, " _-.()[]"), true)});

  const std::string pe = TinyPe();
  write("pe_version", {pe, pe.substr(0, 0x200)});

  const std::string japanese = text::Utf8ToCp932("表計算ソフト_ＡＢＣ.xls");
  write("name_matcher", {MatcherInput(false, "*e*.t?t", "readme.txt"),
                         MatcherInput(false, "?*" + text::Utf8ToCp932("ソ") + "*.xls", japanese),
                         MatcherInput(true, text::Utf8ToCp932("ソフト"), japanese)});

  write("text", {TextInput("Readme.TXT", japanese, 0),
                 TextInput(text::Utf8ToCp932("ＡＢＣαβγ"), "\x83\x41\x83", 3),
                 TextInput(std::string("\x81\x5C\x5C\x95\x5C", 5), "\x5C", 1)});
  return 0;
}
