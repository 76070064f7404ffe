#pragma once
// Type names of entries ("テキスト ドキュメント", "JPEG 画像", ...) for the lists
// and exports. Kinds 0 to 9 have fixed names; a file's type comes from its
// extension through the desktop's MIME database, falling back to the
// upper-cased extension followed by "ファイル". Results are cached per
// upper-cased extension (at most 100,000 entries).

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace plomix {

class TypeNames {
 public:
  // kind and CP932 name -> CP932 type name.
  std::string TypeName(int kind, std::string_view name);
  std::size_t CacheSize() const { return cache_.size(); }
  void Clear() { cache_.clear(); }

 private:
  std::unordered_map<std::string, std::string> cache_;
};

}  // namespace plomix
