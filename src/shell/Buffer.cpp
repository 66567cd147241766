#include "shell/Buffer.h"

namespace Vesk {

void Buffer::Clear() {
  mData.clear();
  mWriteBit = 0;
  mReadBit = 0;
  mError = false;
}

void Buffer::SetData(std::vector<uint8_t> bytes) {
  mData = std::move(bytes);
  mWriteBit = mData.size() * 8;
  mReadBit = 0;
  mError = false;
}

void Buffer::WriteNumBits(uint64_t value, int bits) {
  if (bits <= 0) return;
  if (bits > 64) bits = 64;
  if (bits < 64) value &= (uint64_t(1) << bits) - 1;
  if ((mWriteBit & 7) == 0 && (bits & 7) == 0) {  // whole bytes on a byte boundary
    for (int i = 0; i < bits; i += 8) mData.push_back(uint8_t(value >> i));
    mWriteBit += size_t(bits);
    return;
  }
  for (int i = 0; i < bits; ++i) {
    size_t byte = mWriteBit >> 3;
    if (byte >= mData.size()) mData.push_back(0);
    if ((value >> i) & 1) mData[byte] |= uint8_t(1u << (mWriteBit & 7));
    ++mWriteBit;
  }
}

void Buffer::WriteBytes(const uint8_t* data, size_t size) {
  if ((mWriteBit & 7) == 0) {
    mData.insert(mData.end(), data, data + size);
    mWriteBit += size * 8;
    return;
  }
  for (size_t i = 0; i < size; ++i) WriteByte(data[i]);
}

void Buffer::WriteString(const std::string& s) {
  WriteLong(int32_t(uint32_t(s.size())));
  WriteBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

uint64_t Buffer::ReadNumBits(int bits) {
  if (bits <= 0) return 0;
  if (bits > 64) bits = 64;
  if (BitsLeft() < size_t(bits)) {
    mError = true;
    mReadBit = mWriteBit;
    return 0;
  }
  uint64_t value = 0;
  for (int i = 0; i < bits; ++i) {
    if ((mData[mReadBit >> 3] >> (mReadBit & 7)) & 1) value |= uint64_t(1) << i;
    ++mReadBit;
  }
  return value;
}

bool Buffer::ReadBytes(uint8_t* data, size_t size) {
  if (BitsLeft() / 8 < size) {
    mError = true;
    mReadBit = mWriteBit;
    return false;
  }
  for (size_t i = 0; i < size; ++i) data[i] = ReadByte();
  return true;
}

bool Buffer::ReadString(std::string& s, size_t maxLength) {
  uint32_t len = uint32_t(ReadLong());
  if (mError || len > maxLength || BitsLeft() / 8 < len) {
    mError = true;
    mReadBit = mWriteBit;
    return false;
  }
  s.resize(len);
  return ReadBytes(reinterpret_cast<uint8_t*>(s.data()), len);
}

}  // namespace Vesk
