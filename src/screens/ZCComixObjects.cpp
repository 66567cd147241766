#include "screens/ZCComixObjects.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/ZCEngine.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "screens/ZCAtlasPack.h"
#include "screens/ZCComixActor.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "sound/ZCTracks.h"

using Vesk::VeskVector2;

namespace {

// A text box larger than this on either side is refused: it would only hold memory.
constexpr int32_t kMaxTextSide = 2048;

void ReadPoint(const XmlNode& node, const wchar_t* name, VeskVector2& out) { GetAttrPoint(node, name, out.x, out.y); }
void ReadBool(const XmlNode& node, const wchar_t* name, bool& out) {
  int32_t value = 0;
  if (GetAttrInt(node, name, &value)) out = value != 0;
}
bool Finite(const Matrix3& m) {
  for (float v : m.m)
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

int32_t ComixWhole(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return int32_t(v);
}

// ---------------------------------------------------------------------------------------------
// Image references.

ComixImageRef::ComixImageRef() = default;
ComixImageRef::~ComixImageRef() = default;

bool ComixImageRef::Resolve(ZCEngine* app, ZCAtlasPack* atlas, const std::string& name) {
  mEntry = nullptr;
  mOwn.reset();
  const std::string normalised = ZCAtlasPack::NormaliseName(name);
  if (atlas) {
    if (AtlasImageEntry* entry = atlas->Find(normalised)) {
      entry->atlas = atlas;
      mEntry = entry;
      return true;
    }
  }
  if (app && !normalised.empty()) mOwn = app->LoadImageFile(normalised, true);
  return mOwn != nullptr;
}

void ComixImageRef::SetOwnImage(std::unique_ptr<Vesk::MemoryImage> image) {
  mEntry = nullptr;
  mOwn = std::move(image);
}

void ComixImageRef::SetEntry(AtlasImageEntry* entry) {
  mOwn.reset();
  mEntry = entry;
}

Vesk::Image* ComixImageRef::GetImage() const {
  if (mOwn) return mOwn.get();
  return mEntry && mEntry->atlas ? mEntry->atlas->GetPage(mEntry->page) : nullptr;
}

int32_t ComixImageRef::GetWidth() const { return mOwn ? mOwn->GetWidth() : mEntry ? mEntry->origW : 0; }
int32_t ComixImageRef::GetHeight() const { return mOwn ? mOwn->GetHeight() : mEntry ? mEntry->origH : 0; }

bool ComixImageRef::GetSource(Rect& source, VeskVector2& at) const {
  if (mOwn) {
    source = mOwn->GetRect();
    at = VeskVector2();
    return source.mWidth > 0 && source.mHeight > 0;
  }
  Vesk::Image* page = GetImage();
  if (!page) return false;
  // A sub-image reaching past its page is cut to the page, its pixels staying where they were.
  const Rect wanted(mEntry->atlasX, mEntry->atlasY, mEntry->W, mEntry->H);
  if (wanted.mWidth <= 0 || wanted.mHeight <= 0) return false;
  source = wanted.Intersection(page->GetRect());
  if (source.mWidth <= 0 || source.mHeight <= 0) return false;
  at = VeskVector2(float(mEntry->offsetX) + float(int64_t(source.mX) - wanted.mX),
                   float(mEntry->offsetY) + float(int64_t(source.mY) - wanted.mY));
  return true;
}

ComixPicGeometry ComputePicGeometry(const ComixPicState& state, const ComixImageRef& image,
                                    const ComixImageRef& mask) {
  ComixPicGeometry g;
  const VeskVector2 p = state.pos + state.offset;
  if (state.scale != 1 || state.angle != 0) {
    VeskVector2 c = state.centerpos;
    if (const AtlasImageEntry* entry = image.GetEntry()) c -= VeskVector2(float(entry->offsetX), float(entry->offsetY));
    if (state.centerposGlobal) c -= p;
    g.matrix.Translate(-c.x, -c.y);
    // A scale of exactly 0 leaves the size as it is.
    if (state.scale != 0) g.matrix.Scale(state.scale, state.scale);
    if (state.angle != 0) g.matrix.RotateDeg(state.angle);
    g.matrix.Translate(c.x, c.y);
  }
  g.matrix.Translate(p.x, p.y);
  g.clip = state.clip;
  const float alpha = state.alpha * 255;
  g.color = Color(state.color.mRed, state.color.mGreen, state.color.mBlue,
                  alpha >= 255 ? 255 : alpha > 0 ? int32_t(alpha) : 0);
  g.draw = state.visible && Finite(g.matrix) && image.GetSource(g.source, g.at) && std::isfinite(g.at.x) &&
           std::isfinite(g.at.y);
  VeskVector2 maskAt;
  if (mask.GetImage() && mask.GetSource(g.maskSource, maskAt)) {
    g.masked = true;
    if (const AtlasImageEntry* entry = mask.GetEntry())
      g.maskFrame = Rect(entry->offsetX, entry->offsetY, entry->origW, entry->origH);
    else
      g.maskFrame = g.maskSource;
    if (state.staticMask)
      g.maskTransform.Translate(state.maskStaticPos.x, state.maskStaticPos.y);
    else
      g.maskTransform = g.matrix;
    if (!Finite(g.maskTransform)) g.masked = false;
  }
  return g;
}

// ---------------------------------------------------------------------------------------------
// Pictures and texts.

void ZCComixObjectPic::Load(const ComixLoadContext& context, const XmlNode& node) {
  GetAttrStringA(node, "file", mFile);
  if (!mImage.Resolve(context.app, context.atlas, mFile)) LogMessage("WARNING: Can not load %s", mFile.c_str());
  ReadPoint(node, L"pos", mInitial.pos);
  ReadPoint(node, L"offset", mInitial.offset);
  ReadPoint(node, L"maskStaticPos", mInitial.maskStaticPos);
  GetAttrColor(node, L"color", mInitial.color);
}

void ZCComixObjectPic::Parse(const ComixLoadContext& context, const XmlNode& node) {
  Load(context, node);
  if (GetAttrStringA(node, "mask", mMaskName)) mMask.Resolve(context.app, context.atlas, mMaskName);
  ComixPicState& s = mInitial;
  ReadBool(node, L"centerposGlobal", s.centerposGlobal);
  s.centerpos = s.centerposGlobal ? VeskVector2(float(context.appWidth) / 2, float(context.appHeight) / 2)
                                  : VeskVector2(float(mImage.GetWidth()) / 2, float(mImage.GetHeight()) / 2);
  ReadPoint(node, L"centerpos", s.centerpos);
  GetAttrFloat(node, L"scale", s.scale);
  ReadBool(node, L"visible", s.visible);
  ReadBool(node, L"staticMask", s.staticMask);
  GetAttrFloat(node, L"alpha", s.alpha);
  GetAttrFloat(node, L"angle", s.angle);
  VeskVector2 clipPos, clipSize(1024, 768);
  ReadPoint(node, L"clipRectPos", clipPos);
  ReadPoint(node, L"clipRectSize", clipSize);
  s.clip = Rect(ComixWhole(clipPos.x), ComixWhole(clipPos.y), ComixWhole(clipSize.x), ComixWhole(clipSize.y));
  ResetState();
}

void ZCComixObjectPic::Draw(Vesk::Graphics* g) {
  if (!g || !mState.visible) return;
  const ComixPicGeometry geometry = Geometry();
  if (!geometry.draw) return;
  // The clip, colour, colourising and mask are the picture's for this draw only.
  const Vesk::Graphics saved(*g);
  if (geometry.masked) {
    // Only the Direct3D route reads the mask; the software route draws the picture unmasked.
    g->SetMaskImage(mMask.GetImage());
    g->SetMaskSrcRect(geometry.maskSource);
    g->SetMaskFrameRect(geometry.maskFrame);
    g->SetMaskTransform(geometry.maskTransform);
  }
  g->SetClipRectFromRect(geometry.clip);
  g->SetColorizeImages(true);
  Color color = geometry.color;
  if (mFade < 1) color.mAlpha = mFade > 0 ? int32_t(float(color.mAlpha) * mFade) : 0;
  g->SetColor(color);
  g->DrawImageMatrix(mImage.GetImage(), geometry.matrix, geometry.source, geometry.at.x, geometry.at.y);
  *g = saved;
  g->ClearMask();
}

void ZCComixObjectText::Load(const ComixLoadContext& context, const XmlNode& node) {
  std::string stringId, fontName;
  VeskVector2 p1, p2(100, 100);
  int32_t topOffset = context.defaultTopOffset;
  int32_t lineSpace = context.defaultLineSpace != 0 ? context.defaultLineSpace : -1;
  GetAttrStringA(node, "string_id", stringId);
  const bool hasFont = GetAttrStringA(node, "font", fontName);
  ReadPoint(node, L"rect_p1", p1);
  ReadPoint(node, L"rect_p2", p2);
  GetAttrInt(node, L"top_offset", &topOffset);
  GetAttrInt(node, L"line_space", &lineSpace);
  mInitial.color = Color(0, 0, 0, 255);
  GetAttrColor(node, L"color", mInitial.color);
  mInitial.pos = VeskVector2();
  mInitial.offset = p1;

  const VeskVector2 size = p2 - p1;
  if (!(size.x >= 1 && size.y >= 1 && size.x <= kMaxTextSide && size.y <= kMaxTextSide)) {
    LogMessage("WARNING: text '%s' has a box of %gx%g (rect_p2 must lie right of and below rect_p1, at most %d); "
               "it shows nothing",
               mName.c_str(), double(size.x), double(size.y), int(kMaxTextSide));
    return;
  }
  ZCFont* font = hasFont ? ZCFont::GetFont(fontName) : nullptr;
  if (!font) {
    LogMessage("WARNING: text '%s' has no font '%s'; it shows nothing", mName.c_str(), fontName.c_str());
    return;
  }
  const int32_t width = int32_t(size.x);
  const int32_t height = int32_t(size.y);
  std::unique_ptr<Vesk::MemoryImage> image =
      context.app ? context.app->CreateImage() : std::make_unique<Vesk::MemoryImage>();
  if (!image) return;
  const std::vector<uint32_t> clear(size_t(width) * size_t(height), 0);
  image->SetBits(clear.data(), width, height);
  const std::wstring text =
      context.app ? context.app->GetLocTable()->GetText(stringId) : std::wstring(stringId.begin(), stringId.end());
  Vesk::Graphics g(image.get());
  g.SetFont(font);
  g.SetColor(Color(255, 255, 255, 255));
  g.DrawWrappedString(text, 0, font->GetAscent() + topOffset, width, lineSpace);
  mImage.SetOwnImage(std::move(image));
}

// ---------------------------------------------------------------------------------------------
// Sounds and music.

float ComixSoundVolume(float percent, int32_t setting, bool muted) {
  return muted ? 0 : percent * float(setting) / 100;
}

int32_t ComixMusicVolume(float percent, int32_t setting, bool muted) {
  return muted ? 0 : ComixWhole(float(setting) * percent / 100);
}

ZCComixObjectSound::ZCComixObjectSound(bool isSound) : mIsSound(isSound) {}

ZCComixObjectSound::~ZCComixObjectSound() { Stop(); }

void ZCComixObjectSound::Parse(const ComixLoadContext& context, const XmlNode& node) {
  GetAttrStringA(node, "sound_id", mSoundId);
  if (!context.app) return;
  if (mIsSound) {
    if (SoundManager* sounds = context.app->GetSoundManager()) mInstance = sounds->CreateInstance(mSoundId);
  } else if (ZCMusic* music = context.app->GetMusic()) {
    mTrack = music->GetSingleTrack(mSoundId);
  }
}

void ZCComixObjectSound::Stop() {
  if (mInstance) mInstance->Stop();
  if (mTrack) mTrack->Stop(false);
}

void ZCComixObjectSound::SetPlaying(bool play) {
  if (!play) {
    Stop();
    return;
  }
  if (mInstance) mInstance->Play();
  if (mTrack) {
    const ZCEngine* app = GetEngine();
    mTrack->Play(true, app ? ComixMusicVolume(100, app->mMusicVolume, app->mMuted) : 0);
  }
}

void ZCComixObjectSound::SetPan(float pan) {
  if (mInstance) mInstance->SetPan(pan);
  if (mTrack) mTrack->SetPan(pan);
}

void ZCComixObjectSound::SetVolume(float percent) {
  const ZCEngine* app = GetEngine();
  if (!app) return;
  if (mInstance) mInstance->SetVolume(ComixSoundVolume(percent, app->mSfxVolume, app->mMuted));
  if (mTrack) mTrack->SetVolume(ComixMusicVolume(percent, app->mMusicVolume, app->mMuted));
}

// ---------------------------------------------------------------------------------------------
// The scene.

ComixEpisode::ComixEpisode() = default;
ComixEpisode::~ComixEpisode() = default;

ComixScene::ComixScene() = default;
ComixScene::~ComixScene() { Clear(); }

void ComixScene::Clear() {
  // Actors point at objects and groups: they go first.
  mEpisodes.clear();
  mGroups.clear();
  mObjectsByName.clear();
  mObjects.clear();
  mAtlas.reset();
}

ZCComixObject* ComixScene::FindObject(const std::string& name) const {
  auto it = mObjectsByName.find(name);
  return it == mObjectsByName.end() ? nullptr : it->second;
}

const ComixObjectList* ComixScene::FindGroup(const std::string& name) const {
  auto it = mGroups.find(name);
  return it == mGroups.end() ? nullptr : it->second.get();
}

void ComixScene::Build(ZCEngine* app, const XmlNode& comixNode) {
  Clear();
  if (!comixNode) return;
  std::string atlasName;
  if (GetAttrStringA(comixNode, "atlaspack", atlasName)) mAtlas = std::make_unique<ZCAtlasPack>(app, atlasName);
  mClearBack = false;
  mDefaultTopOffset = 0;
  mDefaultLineSpace = 0;
  ReadBool(comixNode, L"clearBack", mClearBack);
  GetAttrInt(comixNode, L"default_top_offset", &mDefaultTopOffset);
  GetAttrInt(comixNode, L"default_line_space", &mDefaultLineSpace);
  ComixLoadContext context;
  context.app = app;
  context.atlas = mAtlas.get();
  context.defaultTopOffset = mDefaultTopOffset;
  context.defaultLineSpace = mDefaultLineSpace;
  if (app) {
    context.appWidth = app->mAppWidth;
    context.appHeight = app->mAppHeight;
  }

  for (const XmlNode& node : comixNode.selectNodes(L"objects/object")) {
    std::string type;
    if (!GetAttrStringA(node, "type", type)) {
      LogMessage("WARNING: Object type not defined.");
      continue;
    }
    std::unique_ptr<ZCComixObject> object;
    if (type == "pic")
      object = std::make_unique<ZCComixObjectPic>();
    else if (type == "text")
      object = std::make_unique<ZCComixObjectText>();
    else if (type == "sound" || type == "music")
      object = std::make_unique<ZCComixObjectSound>(type == "sound");
    if (!object) {
      LogMessage("WARNING: Unknown object type '%s'.", type.c_str());
      continue;
    }
    GetAttrStringA(node, "name", object->mName);
    if (mObjectsByName.count(object->mName)) {
      LogMessage("WARNING: more then one object with name '%s'", object->mName.c_str());
      continue;
    }
    object->Parse(context, node);
    mObjectsByName[object->mName] = object.get();
    mObjects.push_back(std::move(object));
  }

  for (const XmlNode& node : comixNode.selectNodes(L"objectGroups/group")) {
    auto group = std::make_unique<ComixObjectList>();
    std::string groupName;
    GetAttrStringA(node, "name", groupName);
    for (const XmlNode& member : node.selectNodes(L"object")) {
      std::string objectName;
      GetAttrStringA(member, "name", objectName);
      if (ZCComixObject* object = FindObject(objectName))
        group->push_back(object);
      else
        LogMessage("WARNING: Object with name '%s' not found. (group '%s')", objectName.c_str(), groupName.c_str());
    }
    if (mGroups.count(groupName)) {
      LogMessage("WARNING: More then one object groups with name '%s'", groupName.c_str());
      continue;
    }
    mGroups[groupName] = std::move(group);
  }

  for (const XmlNode& node : comixNode.selectNodes(L"episodes/episode")) {
    auto episode = std::make_unique<ComixEpisode>();
    GetAttrFloat(node, L"finish_delay", episode->finishDelay);
    for (const XmlNode& actorNode : node.selectNodes(L"actor")) {
      std::unique_ptr<ZCComixActor> actor = CreateComixActor(*this, actorNode);
      if (!actor) continue;
      episode->duration = std::max(episode->duration, actor->EndTime());
      episode->actors.push_back(std::move(actor));
    }
    mEpisodes.push_back(std::move(episode));
  }
}
