#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace Platform {

// The game's settings, stored as named values under one key in a small text file:
//
//   [SOFTWARE\Vendor\Product]
//   MusicVolume=100
//   Test3D\RuntimeError=some text
//
// Values are text; numbers are written in decimal. The file is replaced atomically on Save.
class SettingsStore {
 public:
  enum class LoadResult { Loaded, Missing, Corrupt };

  SettingsStore(std::string filePath, std::string keyName);

  // Reads the file. A missing file leaves the store empty; a file that cannot be read or
  // parsed leaves it empty and is renamed aside ("settings.ini.broken"), never overwritten.
  LoadResult Load();
  // Writes every value; false (with the reason) when the folder or file cannot be written.
  bool Save(std::string* error = nullptr) const;
  // For a full disk: when the stored file holds the name with a value of the same length, that
  // value alone is written over in place (no new block is needed) and the store takes it too.
  // False when the file holds no such line or cannot be written.
  bool OverwriteStoredValue(const std::string& name, const std::string& value, std::string* error = nullptr);

  bool GetString(const std::string& name, std::string& out) const;
  // False when absent or not a decimal 32-bit number (out unchanged).
  bool GetInt(const std::string& name, int32_t& out) const;
  void SetString(const std::string& name, const std::string& value);
  void SetInt(const std::string& name, int32_t value);
  // Drops the value of that name; false when there was none.
  bool Remove(const std::string& name) { return mValues.erase(name) != 0; }
  void Clear() { mValues.clear(); }

  const std::string& FilePath() const { return mFilePath; }
  // Where the last corrupt file was moved, if any.
  const std::string& KeptAsidePath() const { return mKeptAside; }

 private:
  std::string mFilePath;
  std::string mKeyName;
  std::string mKeptAside;
  std::map<std::string, std::string> mValues;
};

}  // namespace Platform
