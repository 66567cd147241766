#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sound/MusicInterface.h"

// A test with the sound output open (SDL's dummy driver under CTest) and an empty log history.
// Files put into the test pack are found by the file layer under their names.
class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Adds a file to the pack that the next MountPack makes visible.
  void PutFile(const std::string& name, std::vector<uint8_t> bytes);
  void MountPack();
};

// A short WAV tone of `seconds`.
std::vector<uint8_t> TestWav(double seconds);
// Counts the log lines that contain the text.
int LogLinesWith(const std::string& text);

// A music back end that plays nothing and records what it was asked; a test ends songs and moves
// their positions itself.
class FakeMusic : public Vesk::MusicInterface {
 public:
  struct Song {
    bool mPlaying = false;
    bool mLoop = false;
    int mVolume = 100;
    int mPan = 0;
    int mPlays = 0;
    double mStart = 0;
    double mPosition = 0;
  };
  bool mAvailable = true;
  std::map<int, Song> mSongs;
  std::vector<int> mPlayOrder;

  bool IsAvailable() const override { return mAvailable; }
  bool LoadMusic(int songId, std::vector<uint8_t> data, std::string* error) override;
  bool PlayMusic(int songId, bool loop, double startSeconds) override;
  void StopMusic(int songId) override { mSongs[songId].mPlaying = false; }
  void StopAllMusic() override;
  void SetSongVolume(int songId, int volume) override { mSongs[songId].mVolume = volume; }
  void SetSongPan(int songId, int pan) override { mSongs[songId].mPan = pan; }
  bool IsPlaying(int songId) override { return mSongs[songId].mPlaying; }
  double GetPosition(int songId) override { return mSongs[songId].mPlaying ? mSongs[songId].mPosition : 0; }

  // The songs playing now.
  std::vector<int> Playing() const;
};
