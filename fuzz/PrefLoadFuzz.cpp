// A profile file of arbitrary bytes goes through the store's load, the bytes its save would write
// are loaded into a second store, and that store's save must give the same bytes: whatever a
// file holds, one load mends it into a state that saves and loads unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cafe/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> stored(data, data + size);
  ProfileStore first;
  first.LoadBytes(stored.data(), stored.size(), true);
  int32_t index = -1;
  std::vector<uint8_t> saved = first.BuildFile(stored, index);

  ProfileStore second;
  if (!second.LoadBytes(saved.data(), saved.size(), true)) std::abort();
  int32_t againIndex = -1;
  std::vector<uint8_t> again = second.BuildFile(saved, againIndex);
  if (again != saved || againIndex != index) std::abort();
  if (index < -1 || (index >= 0 && ProfileCodec::RecordOffset(uint64_t(index) + 1) > saved.size())) std::abort();

  // A score entered into the loaded tables keeps them in order when they were in order.
  for (bool survival : {true, false}) {
    ProfileStore::ScoreTable& table = second.GetScoreTable(survival);
    bool sorted = true;
    for (size_t i = 1; i < table.size(); ++i) sorted &= table[i - 1].value >= table[i].value;
    int32_t value = size >= 4 ? int32_t(data[size - 1] | data[size - 2] << 8 | data[size - 3] << 16) : 1;
    second.InsertScore(survival, second.GetPlayerName(), value);
    for (size_t i = 1; sorted && i < table.size(); ++i)
      if (table[i - 1].value < table[i].value) std::abort();
  }
  return 0;
}
