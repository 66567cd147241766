// pak build <out.pak> <folder> [--only <relative path>]... [--exclude <relative path>]...
//   packs every file under the folder (or only the named ones), named by their path relative
//   to the folder with "/" separators.
// pak list <pack>
//   prints each entry's size and name.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/PakFormat.h"
#include "shell/StringUtil.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: pak build <out.pak> <folder> [--only <path>]... [--exclude <path>]...\n"
               "       pak list <pack>\n");
  return 2;
}

bool ReadFile(const fs::path& p, std::vector<uint8_t>& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int Build(int argc, char** argv) {
  if (argc < 4) return Usage();
  fs::path out = argv[2], root = argv[3];
  std::vector<std::string> only, exclude;
  for (int i = 4; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--only" || a == "--exclude") && i + 1 < argc)
      (a == "--only" ? only : exclude).push_back(PathKey(argv[++i]));
    else
      return Usage();
  }
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    std::fprintf(stderr, "pak: %s is not a folder\n", root.c_str());
    return 1;
  }
  std::vector<std::string> names;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::string rel = NormalizeSlashes(fs::relative(it->path(), root).generic_string());
    std::string key = PathKey(rel);
    if (!only.empty() && std::find(only.begin(), only.end(), key) == only.end()) continue;
    bool skip = false;
    for (auto& x : exclude)  // a file or a whole folder
      if (key == x || key.rfind(x + "/", 0) == 0) skip = true;
    if (!skip) names.push_back(rel);
  }
  if (ec) {
    std::fprintf(stderr, "pak: cannot list %s: %s\n", root.c_str(), ec.message().c_str());
    return 1;
  }
  std::sort(names.begin(), names.end());
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  uint64_t total = PakFormat::kHeaderSize;
  for (auto& n : names) {
    if (n.size() > PakFormat::kMaxNameLength) {
      std::fprintf(stderr, "pak: name too long: %s\n", n.c_str());
      return 1;
    }
    std::vector<uint8_t> bytes;
    if (!ReadFile(root / n, bytes)) {
      std::fprintf(stderr, "pak: cannot read %s\n", n.c_str());
      return 1;
    }
    total += 10 + n.size() + bytes.size();
    if (total > UINT32_MAX) {
      std::fprintf(stderr, "pak: the pack would exceed 4 GiB\n");
      return 1;
    }
    files.emplace_back(n, std::move(bytes));
  }
  std::vector<uint8_t> pack = PakFormat::Build(files);
  fs::path tmp = out;
  tmp += ".tmp";
  {
    std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
    o.write(reinterpret_cast<const char*>(pack.data()), std::streamsize(pack.size()));
    if (!o.flush()) {
      std::fprintf(stderr, "pak: cannot write %s\n", tmp.c_str());
      return 1;
    }
  }
  fs::rename(tmp, out, ec);
  if (ec) {
    std::fprintf(stderr, "pak: cannot write %s: %s\n", out.c_str(), ec.message().c_str());
    return 1;
  }
  std::printf("pak: %s: %zu files, %zu bytes\n", out.c_str(), files.size(), pack.size());
  return 0;
}

int List(int argc, char** argv) {
  if (argc != 3) return Usage();
  std::vector<uint8_t> bytes;
  if (!ReadFile(argv[2], bytes)) {
    std::fprintf(stderr, "pak: cannot read %s\n", argv[2]);
    return 1;
  }
  std::string reason;
  uint32_t dirSize = 0;
  PakFormat::Directory dir;
  if (!PakFormat::ReadDirectorySize(bytes.data(), bytes.size(), bytes.size(), dirSize, reason) ||
      !PakFormat::ParseDirectory(bytes.data(), bytes.data() + PakFormat::kHeaderSize, dirSize, bytes.size(), dir,
                                 reason)) {
    std::fprintf(stderr, "pak: %s is not a valid pack (%s)\n", argv[2], reason.c_str());
    return 1;
  }
  for (auto& e : dir.mEntries) std::printf("%10u %s\n", e.mSize, e.mName.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string cmd = argv[1];
  if (cmd == "build") return Build(argc, argv);
  if (cmd == "list") return List(argc, argv);
  return Usage();
}
