#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Matrix3.h"
#include "graphics/Rect.h"
#include "graphics/VeskVector2.h"

class MusicTrack;
class SoundInstance;
class XmlNode;
class ZCAtlasPack;
class ZCComixActor;
class ZCEngine;
struct AtlasImageEntry;
namespace Vesk {
class Graphics;
class Image;
class MemoryImage;
}  // namespace Vesk

class ZCComixObject;
class ZCComixObjectPic;
class ZCComixObjectSound;
using ComixObjectList = std::vector<ZCComixObject*>;

// What a cut-scene picture shows now: actors change the current state, ResetState copies the
// state read from the script over it.
struct ComixPicState {
  Color color = Color(255, 255, 255, 255);
  Vesk::VeskVector2 pos;
  Vesk::VeskVector2 offset;
  bool centerposGlobal = false;
  Vesk::VeskVector2 centerpos;
  float scale = 1;
  float alpha = 1;
  bool visible = true;
  float angle = 0;
  bool staticMask = false;
  Vesk::VeskVector2 maskStaticPos;
  Rect clip = Rect(0, 0, 1024, 768);
};

// A picture's image: a sub-image of the cut-scene's atlas (not owned) or an image of its own.
class ComixImageRef {
 public:
  ComixImageRef();
  ~ComixImageRef();
  ComixImageRef(const ComixImageRef&) = delete;
  ComixImageRef& operator=(const ComixImageRef&) = delete;

  // The atlas entry of the name (written with "\\" or "/", any case), else the image file of the
  // normalised name; false when neither gives an image.
  bool Resolve(ZCEngine* app, ZCAtlasPack* atlas, const std::string& name);
  void SetOwnImage(std::unique_ptr<Vesk::MemoryImage> image);
  void SetEntry(AtlasImageEntry* entry);

  // The own image, else the entry's page (null when the page is missing).
  Vesk::Image* GetImage() const;
  const AtlasImageEntry* GetEntry() const { return mOwn ? nullptr : mEntry; }
  // The untrimmed picture's size (the entry's origW, origH), 0 without an image.
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  // Where the image's pixels are: the sub-image rectangle on its page, kept inside the page, and
  // where that lies inside the untrimmed picture. False when nothing of it can be drawn.
  bool GetSource(Rect& source, Vesk::VeskVector2& at) const;

 private:
  AtlasImageEntry* mEntry = nullptr;
  std::unique_ptr<Vesk::MemoryImage> mOwn;
};

// How one picture is drawn: its matrix (the draw position included), the source rectangle and
// the point inside the picture where it goes, the mask's rectangles and transform, the clip and
// the colour. Worked out from the state alone, so that it can be checked without drawing.
struct ComixPicGeometry {
  bool draw = false;
  Matrix3 matrix;
  Rect source;
  Vesk::VeskVector2 at;
  bool masked = false;
  Rect maskSource;
  Rect maskFrame;
  Matrix3 maskTransform;
  Rect clip;
  Color color;
};
ComixPicGeometry ComputePicGeometry(const ComixPicState& state, const ComixImageRef& image,
                                    const ComixImageRef& mask);

// What objects need of the cut-scene they belong to while they are read.
struct ComixLoadContext {
  ZCEngine* app = nullptr;
  ZCAtlasPack* atlas = nullptr;
  int32_t defaultTopOffset = 0;
  int32_t defaultLineSpace = 0;
  int32_t appWidth = 1024;
  int32_t appHeight = 768;
};

// One object of a cut-scene: a picture, a text or a sound.
class ZCComixObject {
 public:
  virtual ~ZCComixObject() = default;
  virtual void Parse(const ComixLoadContext&, const XmlNode&) {}
  virtual void ResetState() {}
  virtual void Draw(Vesk::Graphics*) {}
  virtual ZCComixObjectPic* AsPic() { return nullptr; }
  virtual ZCComixObjectSound* AsSound() { return nullptr; }
  virtual void Stop() {}

  std::string mName;
};

class ZCComixObjectPic : public ZCComixObject {
 public:
  // "file" resolved, then "pos", "offset", "maskStaticPos", "color".
  virtual void Load(const ComixLoadContext& context, const XmlNode& node);
  // Load, the mask and the remaining attributes; then the state is reset.
  void Parse(const ComixLoadContext& context, const XmlNode& node) override;
  void ResetState() override { mState = mInitial; }
  void Draw(Vesk::Graphics* g) override;
  ZCComixObjectPic* AsPic() override { return this; }

  ComixPicGeometry Geometry() const { return ComputePicGeometry(mState, mImage, mMask); }

  // The player's own fade (its show and hide effects), multiplied into the picture's alpha.
  float mFade = 1;
  std::string mFile;
  std::string mMaskName;
  ComixPicState mState;
  ComixPicState mInitial;
  ComixImageRef mImage;
  ComixImageRef mMask;
};

// A text box drawn once into an image of its own at load (white, tinted by its colour).
class ZCComixObjectText : public ZCComixObjectPic {
 public:
  void Load(const ComixLoadContext& context, const XmlNode& node) override;
};

// A sound ("sound": an instance of the sound table) or a one-track music stream ("music").
class ZCComixObjectSound : public ZCComixObject {
 public:
  explicit ZCComixObjectSound(bool isSound);
  ~ZCComixObjectSound() override;
  void Parse(const ComixLoadContext& context, const XmlNode& node) override;
  ZCComixObjectSound* AsSound() override { return this; }
  void Stop() override;

  void SetPlaying(bool play);
  void SetPan(float pan);
  // A percentage of the player's sound or music volume.
  void SetVolume(float percent);

  bool mIsSound;
  std::string mSoundId;
  std::unique_ptr<SoundInstance> mInstance;
  MusicTrack* mTrack = nullptr;
};

// Truncated towards zero and kept inside the 32-bit range (NaN gives 0): clip rectangles and
// music volumes from script values.
int32_t ComixWhole(float value);

// The player's volume for a cut-scene sound at `percent` of the setting (0 when muted); music
// takes whole steps.
float ComixSoundVolume(float percent, int32_t setting, bool muted);
int32_t ComixMusicVolume(float percent, int32_t setting, bool muted);

// One episode: its actors, when it started and how long it lasts.
struct ComixEpisode {
  ComixEpisode();
  ~ComixEpisode();
  float start = 0;
  float finishDelay = 0;
  float duration = 0;
  std::vector<std::unique_ptr<ZCComixActor>> actors;
};

// A cut-scene's content as read from its "comix" element: objects in drawing order, groups,
// episodes and the atlas. Faults of the script are logged and skipped.
class ComixScene {
 public:
  ComixScene();
  ~ComixScene();
  ComixScene(const ComixScene&) = delete;
  ComixScene& operator=(const ComixScene&) = delete;

  // Builds the scene from the element (clearing what was there first).
  void Build(ZCEngine* app, const XmlNode& comixNode);
  void Clear();

  ZCComixObject* FindObject(const std::string& name) const;
  const ComixObjectList* FindGroup(const std::string& name) const;

  std::vector<std::unique_ptr<ZCComixObject>> mObjects;
  std::map<std::string, ZCComixObject*> mObjectsByName;
  std::map<std::string, std::unique_ptr<ComixObjectList>> mGroups;
  std::vector<std::unique_ptr<ComixEpisode>> mEpisodes;
  bool mClearBack = false;
  int32_t mDefaultTopOffset = 0;
  int32_t mDefaultLineSpace = 0;
  std::unique_ptr<ZCAtlasPack> mAtlas;
};
