// The readers of the game's configuration on arbitrary bytes. Each input is given to every one
// of them in turn: as the settings file (read, asked for the values the game reads, written
// and read again, which must give the same values), as the texts of loc.xml, as ui.xml (its
// textures, each locked once; its fonts, each laying out a text; its cursors, each shown) and
// as cfg.xml (its sounds and its music, each decoded, and each stream started and stepped), and
// as a sound file and a music file (WAV, OGG or whatever else the mixer reads). The sound output
// is opened on a silent driver, since nothing is decoded while it is closed. The sample packs
// beside the program are opened, so that the files the documents name are found.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/audio/Audio.h"
#include "platform/paths/UserPaths.h"
#include "platform/settings/SettingsStore.h"
#include "resources/ZCTextureCache.h"
#include "shell/LocTable.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"
#include "sound/MusicInterface.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "widgets/CursorTable.h"

namespace {

// A folder of this process for the files the readers take by name, removed at exit. (Never
// freed: the exit handler still needs it.)
const std::filesystem::path& Scratch() {
  static const std::filesystem::path* dir = [] {
    auto* p = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("cafe_fuzz_config_" + std::to_string(getpid())));
    std::filesystem::create_directories(*p);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Scratch(), ec);
    });
    return p;
  }();
  return *dir;
}

std::string WriteScratch(const char* name, const uint8_t* data, size_t size) {
  const std::filesystem::path path = Scratch() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return path.string();
}

// The values the game reads from its settings.
const char* const kSettings[] = {"ColorDepth", "CrashReportServer", "MusicVolume", "SfxVolume",
                                 "Muted",      "CustomCursors",     "InProgress",  "Is3D",
                                 "ScreenMode", "PreferredX",        "PreferredY",  "WaitForVSync"};

void Settings(const uint8_t* data, size_t size) {
  const std::string path = WriteScratch("settings.ini", data, size);
  Platform::SettingsStore store(path, "SOFTWARE\\Vantor Games\\Pellor Cafe");
  if (store.Load() != Platform::SettingsStore::LoadResult::Loaded) return;
  std::vector<std::string> before;
  for (const char* name : kSettings) {
    std::string text;
    int32_t number = 0;
    before.push_back(std::to_string(store.GetString(name, text)) + text + std::to_string(store.GetInt(name, number)) +
                     std::to_string(number));
  }
  if (!store.Save()) return;
  Platform::SettingsStore again(path, "SOFTWARE\\Vantor Games\\Pellor Cafe");
  if (again.Load() != Platform::SettingsStore::LoadResult::Loaded) std::abort();
  for (size_t i = 0; i < std::size(kSettings); ++i) {
    std::string text;
    int32_t number = 0;
    const std::string after = std::to_string(again.GetString(kSettings[i], text)) + text +
                              std::to_string(again.GetInt(kSettings[i], number)) + std::to_string(number);
    // What was written reads back the same.
    if (after != before[i]) std::abort();
  }
}

// Calls fn with the attribute of the first `limit` elements the path selects.
template <class Fn>
void ForEachAttribute(const XmlNode& root, const wchar_t* path, const char* attribute, int limit, Fn fn) {
  for (const XmlNode& node : root.selectNodes(path)) {
    if (limit-- == 0) break;
    std::string value;
    node.getAttribute(std::string(attribute), value);
    fn(value);
  }
}

void Texts(const uint8_t* data, size_t size) {
  LocTable table;
  if (!table.Load(WriteScratch("loc.xml", data, size))) return;
  for (const char* id : {"app_title", "crash_offer", "missing"}) (void)table.GetText(id);
}

void UiResources(const XmlNode& root) {
  ZCTextureCache textures;
  textures.LoadTextures(root);
  ForEachAttribute(root, L"textures/texture", "id", 16, [&](const std::string& id) {
    TextureHandle handle = textures.GetTexture(id);
    if (handle.IsNullHandle()) return;
    handle.Lock();
    (void)handle.GetImage();
    handle.Unlock();
  });

  ZCFontTable fonts;
  fonts.LoadFonts(root);
  ForEachAttribute(root, L"fonts/font", "name", 8, [&](const std::string& name) {
    ZCFont* font = fonts.GetFont(name);
    if (!font) return;
    static const wchar_t kText[] = L"Caf\u00e9 au lait 0123";
    Vesk::MemoryImage image(64, 32);
    Vesk::Graphics g(&image);
    font->DrawString(&g, 2, 2, kText, std::size(kText) - 1, Color::White);
  });

  CursorTable cursors;
  cursors.Load(root, &textures);
  cursors.SetImageSink([](Vesk::Image*) {});
  cursors.Show();
  ForEachAttribute(root, L"cursors/cursor", "name", 8, [&](const std::string& name) { cursors.SetCursor(name); });
  cursors.Hide();
  cursors.SetImageSink(nullptr);
}

// The sound output, opened once on the dummy driver unless the environment names another: the
// mixer decodes only into an open output.
bool OpenSilentOutput() {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string error;
  return Platform::Audio::Open(44100, &error);
}

// The bytes as a sound, played and stopped, and as a music stream, started past its beginning.
void Decoders(const uint8_t* data, size_t size) {
  std::string error;
  if (auto sample = Platform::Audio::Sample::Decode(data, size, &error))
    Platform::Audio::Stop(Platform::Audio::Play(*sample, 0, 50, 0));
  if (auto music = Platform::Audio::Music::Open(std::vector<uint8_t>(data, data + size), &error)) {
    if (music->Play(false, 50, 0.05)) (void)music->Position();
    Platform::Audio::StopMusic();
  }
}

void SoundsAndMusic(const XmlNode& root) {
  SoundManager sounds;
  sounds.LoadSounds(root);
  ForEachAttribute(root, L"sounds/sound", "name", 8, [&](const std::string& name) { sounds.PlaySound(name); });
  sounds.Update();

  Vesk::SdlMusicInterface output;
  ZCMusic music(&output);
  music.LoadMusic(root);
  ForEachAttribute(root, L"music//*[@name]", "name", 4, [&](const std::string& name) {
    music.Change(name);
    music.Update(100);
  });
  music.Stop(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int opened = AddStandardPaks(GetPakInterface(), Platform::ExecutableDir());
  static const bool audio = OpenSilentOutput();
  (void)opened;
  (void)audio;
  Settings(data, size);
  Decoders(data, size);
  Texts(data, size);
  XmlNode doc = LoadXmlFromMemory(data, size, "fuzz config");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) return 0;
  UiResources(root);
  SoundsAndMusic(root);
  return 0;
}
