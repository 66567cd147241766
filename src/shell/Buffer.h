#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Vesk {

// A growable byte buffer written and read at bit granularity: values are stored
// least-significant bit first, so a run of 1-bit flags packs into bytes. Reading past the end
// never touches memory outside the buffer: it yields zeros and sets the error flag.
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(std::vector<uint8_t> bytes) { SetData(std::move(bytes)); }

  void Clear();
  void SetData(std::vector<uint8_t> bytes);
  const std::vector<uint8_t>& GetData() const { return mData; }
  const uint8_t* GetDataPtr() const { return mData.data(); }
  size_t GetDataLen() const { return mData.size(); }
  size_t GetBitsWritten() const { return mWriteBit; }

  // Writing (always at the end).
  void WriteNumBits(uint64_t value, int bits);  // the low `bits` bits, 0..64
  void WriteBoolean(bool value) { WriteNumBits(value ? 1 : 0, 1); }
  void WriteByte(uint8_t value) { WriteNumBits(value, 8); }
  void WriteShort(int16_t value) { WriteNumBits(uint16_t(value), 16); }
  void WriteLong(int32_t value) { WriteNumBits(uint32_t(value), 32); }
  void WriteBytes(const uint8_t* data, size_t size);
  // A 32-bit length and the bytes.
  void WriteString(const std::string& s);

  // Reading (from the read position).
  void SeekFront() { mReadBit = 0; mError = false; }
  uint64_t ReadNumBits(int bits);
  bool ReadBoolean() { return ReadNumBits(1) != 0; }
  uint8_t ReadByte() { return uint8_t(ReadNumBits(8)); }
  int16_t ReadShort() { return int16_t(uint16_t(ReadNumBits(16))); }
  int32_t ReadLong() { return int32_t(uint32_t(ReadNumBits(32))); }
  // False (and the error flag) when fewer than size bytes are left.
  bool ReadBytes(uint8_t* data, size_t size);
  // False (and the error flag) when the length runs past the end or above maxLength.
  bool ReadString(std::string& s, size_t maxLength = 1u << 20);

  size_t BitsLeft() const { return mReadBit < mWriteBit ? mWriteBit - mReadBit : 0; }
  bool AtEnd() const { return BitsLeft() < 8; }
  // True once a read ran past the end.
  bool HasError() const { return mError; }

 private:
  std::vector<uint8_t> mData;
  size_t mWriteBit = 0;
  size_t mReadBit = 0;
  bool mError = false;
};

}  // namespace Vesk
