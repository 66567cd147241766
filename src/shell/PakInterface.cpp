#include "shell/PakInterface.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/paths/FileRead.h"
#include "platform/paths/UserPaths.h"

#include "shell/Log.h"
#include "shell/PakFormat.h"
#include "shell/StringUtil.h"

namespace {

// One opened pack: its directory and where its bytes are (an open file or memory).
struct Pack {
  std::string mLabel;
  FILE* mFile = nullptr;
  std::vector<uint8_t> mMemory;
  uint64_t mSize = 0;
  PakFormat::Directory mDir;

  ~Pack() {
    if (mFile) std::fclose(mFile);
  }
  bool ReadAt(uint64_t offset, void* dest, size_t size) {
    if (offset > mSize || size > mSize - offset) return false;
    if (!mFile) {
      if (size) std::memcpy(dest, mMemory.data() + offset, size);
      return true;
    }
    if (offset > uint64_t(std::numeric_limits<off_t>::max())) return false;
    if (fseeko(mFile, off_t(offset), SEEK_SET) != 0) return false;
    return std::fread(dest, 1, size, mFile) == size;
  }
};

struct Location {
  size_t mPack;
  size_t mEntry;
};

bool IsWriteMode(const char* mode) {
  return mode && (std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+'));
}

// A pack entry read, not in any pack, or in one but refused or unreadable.
enum class EntryRead { kRead, kAbsent, kFailed };

// The name inside the current folder, its ".." parts folded away; false when it is absolute
// (a leading slash or a drive letter) or climbs above the folder.
bool FoldInside(const std::string& name, std::string& folded) {
  const std::string norm = NormalizeSlashes(name);
  if (!norm.empty() && norm[0] == '/') return false;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < norm.size()) {
    size_t j = norm.find('/', i);
    if (j == std::string::npos) j = norm.size();
    std::string part = norm.substr(i, j - i);
    if (parts.empty() && i == 0 && part.size() >= 2 && part[1] == ':') return false;
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  folded.clear();
  for (const std::string& part : parts) folded += (folded.empty() ? "" : "/") + part;
  return true;
}

}  // namespace

uint64_t FileSizeLimit(FileKind kind) {
  constexpr uint64_t kMiB = 1024 * 1024;
  switch (kind) {
    case FileKind::kXml: return 16 * kMiB;
    case FileKind::kImage: return 64 * kMiB;
    case FileKind::kFontFace: return 32 * kMiB;
    case FileKind::kFontDescription: return 4 * kMiB;
    case FileKind::kAnimation: return 32 * kMiB;
    case FileKind::kSound: return 32 * kMiB;
    case FileKind::kMusic: return 128 * kMiB;
    case FileKind::kAny: break;
  }
  return 64 * kMiB;
}

struct PakInterface::Impl {
  std::mutex mMutex;
  std::vector<std::unique_ptr<Pack>> mPacks;
  std::unordered_map<std::string, Location> mIndex;
  bool mConfined = false;
  std::set<std::string> mRefused;  // names already reported as refused

  bool Add(std::unique_ptr<Pack> pack) {
    std::string reason;
    uint8_t header[PakFormat::kHeaderSize] = {};
    uint32_t dirSize = 0;
    bool ok = pack->mSize >= PakFormat::kHeaderSize && pack->ReadAt(0, header, sizeof header);
    if (!ok) reason = "file too short for a pack header";
    ok = ok && PakFormat::ReadDirectorySize(header, sizeof header, pack->mSize, dirSize, reason);
    std::vector<uint8_t> dir;
    if (ok) {
      dir.resize(dirSize);
      ok = pack->ReadAt(PakFormat::kHeaderSize, dir.data(), dirSize);
      if (!ok) reason = "cannot read the directory";
    }
    ok = ok && PakFormat::ParseDirectory(header, dir.data(), dirSize, pack->mSize, pack->mDir, reason);
    if (!ok) {
      LogMessage("ERROR: PakInterface: %s is not a valid pack (%s)", pack->mLabel.c_str(), reason.c_str());
      return false;
    }
    std::lock_guard<std::mutex> lock(mMutex);
    size_t packIndex = mPacks.size();
    std::unordered_map<std::string, size_t> seen;
    for (size_t i = 0; i < pack->mDir.mEntries.size(); ++i) {
      std::string key = PathKey(pack->mDir.mEntries[i].mName);
      if (!seen.emplace(key, i).second) {
        LogMessage("WARNING: PakInterface: %s holds \"%s\" twice; the first is used", pack->mLabel.c_str(),
                   pack->mDir.mEntries[i].mName.c_str());
        continue;
      }
      mIndex[key] = Location{packIndex, i};  // a later pack overrides an earlier one
    }
    mPacks.push_back(std::move(pack));
    return true;
  }

  // Reads a pack entry's contents, when it is no larger than the limit.
  EntryRead ReadEntry(const std::string& name, std::vector<uint8_t>& out, uint64_t limit) {
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = mIndex.find(PathKey(name));
    if (it == mIndex.end()) return EntryRead::kAbsent;
    Pack& pack = *mPacks[it->second.mPack];
    const PakFormat::Entry& e = pack.mDir.mEntries[it->second.mEntry];
    out.clear();
    if (e.mSize > limit) {
      LogMessage("WARNING: PakInterface: \"%s\" in %s is larger than %llu bytes; not read", e.mName.c_str(),
                 pack.mLabel.c_str(), static_cast<unsigned long long>(limit));
      return EntryRead::kFailed;
    }
    out.resize(e.mSize);
    if (!pack.ReadAt(e.mOffset, out.data(), e.mSize)) {
      LogMessage("ERROR: PakInterface: cannot read \"%s\" from %s", e.mName.c_str(), pack.mLabel.c_str());
      out.clear();
      return EntryRead::kFailed;
    }
    PakFormat::Scramble(out.data(), out.size(), pack.mDir.mKey);
    return EntryRead::kRead;
  }
};

class PakFileHandle {
 public:
  FILE* mFile = nullptr;       // a disk file, or
  std::vector<uint8_t> mData;  // a pack entry's contents
  uint64_t mPos = 0;
};

PakInterface::PakInterface() : mImpl(std::make_unique<Impl>()) {}
PakInterface::~PakInterface() = default;

bool PakInterface::AddPakFile(const std::string& path) {
  std::string resolved = ResolvePathNoCase(path);
  // A pipe or a device of the name would block the start or never end.
  std::error_code ec;
  if (std::filesystem::exists(resolved, ec) && !Platform::IsRegularFile(resolved)) {
    LogMessage("ERROR: PakInterface: pack %s is not a regular file", path.c_str());
    return false;
  }
  FILE* f = std::fopen(resolved.c_str(), "rb");
  if (!f) {
    LogMessage("ERROR: PakInterface: cannot open pack %s", path.c_str());
    return false;
  }
  auto pack = std::make_unique<Pack>();
  pack->mLabel = path;
  pack->mFile = f;
  if (fseeko(f, 0, SEEK_END) != 0) {
    LogMessage("ERROR: PakInterface: cannot read pack %s", path.c_str());
    return false;
  }
  off_t size = ftello(f);
  pack->mSize = size > 0 ? uint64_t(size) : 0;
  return mImpl->Add(std::move(pack));
}

bool PakInterface::AddPakMemory(std::vector<uint8_t> bytes, const std::string& label) {
  auto pack = std::make_unique<Pack>();
  pack->mLabel = label;
  pack->mSize = bytes.size();
  pack->mMemory = std::move(bytes);
  return mImpl->Add(std::move(pack));
}

void PakInterface::Reset() {
  std::lock_guard<std::mutex> lock(mImpl->mMutex);
  mImpl->mIndex.clear();
  mImpl->mPacks.clear();
}

void PakInterface::ConfineToDataFolder(bool confine) {
  std::lock_guard<std::mutex> lock(mImpl->mMutex);
  mImpl->mConfined = confine;
}

std::string PakInterface::CheckName(const std::string& name) {
  std::lock_guard<std::mutex> lock(mImpl->mMutex);
  if (!mImpl->mConfined) return name;
  std::string folded;
  if (FoldInside(name, folded)) return folded;
  if (mImpl->mRefused.insert(name).second)
    LogMessage("WARNING: PakInterface: \"%s\" is outside the game's folders; not read", name.c_str());
  return std::string();
}

bool PakInterface::IsInPak(const std::string& name) {
  const std::string checked = CheckName(name);
  std::lock_guard<std::mutex> lock(mImpl->mMutex);
  return !checked.empty() && mImpl->mIndex.count(PathKey(checked)) != 0;
}

PakFileHandle* PakInterface::FOpen(const std::string& fileName, const char* mode) {
  const std::string name = CheckName(fileName);
  if (!mode || name.empty()) return nullptr;
  if (!IsWriteMode(mode)) {
    auto h = std::make_unique<PakFileHandle>();
    switch (mImpl->ReadEntry(name, h->mData, FileSizeLimit(FileKind::kAny))) {
      case EntryRead::kRead: return h.release();
      case EntryRead::kFailed: return nullptr;
      case EntryRead::kAbsent: break;
    }
  }
  std::string path = ResolvePathNoCase(name);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return nullptr;
  // Reading: a regular file only (a pipe would block, a device never end).
  if (!IsWriteMode(mode) && !Platform::IsRegularFile(path)) return nullptr;
  FILE* f = std::fopen(path.c_str(), mode);
  if (!f) return nullptr;
  auto* h = new PakFileHandle;
  h->mFile = f;
  return h;
}

size_t PakInterface::FRead(void* dest, size_t size, size_t count, PakFileHandle* file) {
  if (!file || !dest || size == 0 || count == 0) return 0;
  if (file->mFile) return std::fread(dest, size, count, file->mFile);
  if (count > std::numeric_limits<size_t>::max() / size) count = std::numeric_limits<size_t>::max() / size;
  uint64_t available = file->mPos < file->mData.size() ? file->mData.size() - file->mPos : 0;
  size_t bytes = size_t(std::min<uint64_t>(available, uint64_t(size) * count));
  if (bytes) std::memcpy(dest, file->mData.data() + file->mPos, bytes);
  file->mPos += bytes;
  return bytes / size;
}

int PakInterface::FSeek(PakFileHandle* file, long offset, int origin) {
  if (!file) return -1;
  if (file->mFile) return std::fseek(file->mFile, offset, origin);
  int64_t base;
  switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = int64_t(file->mPos); break;
    case SEEK_END: base = int64_t(file->mData.size()); break;
    default: return -1;
  }
  if (offset < 0 ? -int64_t(offset) > base : int64_t(offset) > std::numeric_limits<int64_t>::max() - base) return -1;
  file->mPos = uint64_t(base + offset);
  return 0;
}

long PakInterface::FTell(PakFileHandle* file) {
  if (!file) return -1;
  if (file->mFile) return std::ftell(file->mFile);
  return long(file->mPos);
}

long PakInterface::FSize(PakFileHandle* file) {
  if (!file) return -1;
  if (!file->mFile) return long(file->mData.size());
  long pos = std::ftell(file->mFile);
  if (std::fseek(file->mFile, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(file->mFile);
  std::fseek(file->mFile, pos, SEEK_SET);
  return size;
}

int PakInterface::FClose(PakFileHandle* file) {
  if (!file) return -1;
  int r = file->mFile ? std::fclose(file->mFile) : 0;
  delete file;
  return r;
}

bool PakInterface::ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& out, FileKind kind) {
  out.clear();
  const std::string name = CheckName(fileName);
  if (name.empty()) return false;
  const uint64_t limit = FileSizeLimit(kind);
  switch (mImpl->ReadEntry(name, out, limit)) {
    case EntryRead::kRead: return true;
    case EntryRead::kFailed: return false;
    case EntryRead::kAbsent: break;
  }
  switch (Platform::ReadRegularFile(ResolvePathNoCase(name), limit, out)) {
    case Platform::FileReadResult::kOk: return true;
    case Platform::FileReadResult::kMissing: return false;
    case Platform::FileReadResult::kNotRegular:
      LogMessage("WARNING: PakInterface: \"%s\" is not a regular file; not read", fileName.c_str());
      return false;
    case Platform::FileReadResult::kTooLarge:
      LogMessage("WARNING: PakInterface: \"%s\" is larger than %llu bytes; not read", fileName.c_str(),
                 static_cast<unsigned long long>(limit));
      return false;
    case Platform::FileReadResult::kFailed:
      LogMessage("WARNING: PakInterface: cannot read \"%s\"", fileName.c_str());
      return false;
  }
  return false;
}

bool PakInterface::Exists(const std::string& fileName) {
  const std::string name = CheckName(fileName);
  if (name.empty()) return false;
  if (IsInPak(name)) return true;
  return Platform::IsRegularFile(ResolvePathNoCase(name));
}

PakInterface* GetPakInterface() {
  static PakInterface instance;
  return &instance;
}

int AddStandardPaks(PakInterface* pak, const std::string& folder, std::map<std::string, std::string>* problems) {
  int added = 0;
  if (problems) problems->clear();
  for (const char* name : {"data.pak", "loc.pak", "mod.pak"}) {
    std::string path = Platform::JoinPath(folder, name);
    // Only a name that is not there at all is missing; one that cannot even be looked at (a
    // link that loops, a folder that may not be searched) is opened, fails and counts as damaged.
    std::error_code ec;
    if (!std::filesystem::exists(ResolvePathNoCase(path), ec) && !ec) {
      if (problems) (*problems)[name] = "missing";
      continue;
    }
    if (pak->AddPakFile(path)) ++added;
    else if (problems) (*problems)[name] = "damaged";
  }
  return added;
}
