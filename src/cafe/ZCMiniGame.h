#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cafe/CafeHooks.h"
#include "resources/ZCTextureCache.h"
#include "widgets/ZCDialog.h"

class ZCBoard_Game3;

// What the row reaches beside itself: the board's bonuses and input, the head-up display's task
// icons, the level's task counters and the sounds. The defaults are the café's own (the current
// café board, its head-up display, AchievementParams); tests put a double in.
class MiniGameHost {
 public:
  virtual ~MiniGameHost() = default;
  virtual void ApplyBonus(int32_t kind, int32_t strength);
  // The board takes no input now (no level running, play paused, a box waiting...).
  virtual bool IsInputBlocked();
  // The task icon of the kind, or null.
  virtual ZCCandyWidget* GetTaskIcon(int32_t kind);
  virtual int32_t GetTaskTarget(int32_t kind);
  virtual int32_t GetTaskRemaining(int32_t kind);
  virtual void CompleteTask(int32_t kind);
  virtual void PlaySound(const std::string& name);
};

// The bonus-chain row at the bottom of the café, built from the ui.xml dialog "minigame": tokens
// of five kinds (0 coin, 1 happy, 2 clean, 3 speed, 4 ice) enter at the right and slide left to
// rest side by side; the player clicks tokens away; three or more equal tokens standing together
// on a settled row form a chain that vanishes and grants its bonus through the board, and the
// tokens of a kind the level still has a task for fly to the task icon and count it down.
// Token widgets come from the layout's "tray" buttons, the chain's sparkle from "effect_elem"
// and the coin chain's animation from "coin_anim"; each is reused once it is free again.
class ZCMiniGame : public ZCDialog, public CafeMiniGame {
 public:
  static constexpr int32_t kKinds = 5;
  static constexpr size_t kMaxTokens = 18;
  static constexpr float kFirstX = 17;
  static constexpr int32_t kRowY = 715;
  static constexpr float kFlightSeconds = 1.0f;
  static constexpr int32_t kCoinAnimWidth = 400;
  static constexpr int32_t kCoinAnimRise = 210;
  // The width a token is counted with when its widget has none.
  static constexpr int32_t kTokenWidth = 50;

  enum How : int32_t { kHideAtOnce = 0, kClicked = 1, kChained = 2 };

  using RandomSource = float (*)(float a, float b);

  struct Token {
    float mX = 0;
    int32_t mKind = 0;
    ZCCandyWidget* mWidget = nullptr;
  };
  struct Flight {
    ZCCandyWidget* mWidget = nullptr;
    float mStartX = 0, mStartY = 0, mEndX = 0, mEndY = 0;
    float mTime = 0;
    int32_t mKind = 0;
  };

  explicit ZCMiniGame(Vesk::VeskAppBase* app);
  ~ZCMiniGame() override;

  // Builds the "minigame" dialog of the ui document, adds it to the parent (the head-up display,
  // or the board when there is none) as its child "minigame" and makes it the board's mini-game.
  // Null (with a warning) when the document has none.
  static ZCMiniGame* CreateFor(ZCBoard_Game3* board, ZCCandyWidget* parent, const XmlNode& uiDocument,
                               Vesk::VeskAppBase* app);
  // Draws go through RandomFloat; tests may put another source in (null puts it back).
  static void SetRandomSource(RandomSource source);
  static const char* KindName(int32_t kind);

  // CafeMiniGame. ReadLevel runs on the loading thread and only stores the level's values.
  void ReadLevel(const XmlNode& level) override;
  void ResetLevel() override;
  void AddToken(int32_t kind, bool enabled, bool atFront) override;
  void AddRandomToken() override;
  void EnableToken(int32_t n) override;
  void EnableAllTokens() override;

  // Takes the token of the widget out of the row: hidden at once, popped by its click effect, or
  // with its chain effect (flying to its task icon or simply fading).
  void RemoveToken(ZCCandyWidget* widget, int32_t how, bool countsForTask);

  // ZCDialog.
  void Update() override;
  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void LoadFromXml(const XmlNode& node) override;
  void OnCommand(ZCCandyWidget* button) override;
  void LockTextures() override;
  void UnlockTextures() override;

  void SetHost(MiniGameHost* host);
  const std::vector<Token>& GetRow() const { return mRow; }
  const std::vector<Flight>& GetFlights() const { return mFlights; }
  float GetWeight(int32_t kind) const { return kind >= 0 && kind < kKinds ? mWeights[kind] : 0; }
  float GetSpeed() const { return mSpeed; }
  size_t GetFreeTrayCount() const { return mFreeTrays.size(); }

 private:
  // Moves the row toward its resting places; true when every token rests there.
  bool SettleRow(float gameStep);
  // The first run of three or more equal tokens (start index and length), length 0 when none.
  void FindChain(size_t& start, size_t& length) const;
  void GrantChain(size_t start, size_t length);
  void UpdateFlights(float frameStep);
  // Widgets whose flight or fade is over go back to the pool; ended effects are hidden.
  void CollectFinished();
  void ReleaseWidget(ZCCandyWidget* widget);
  bool IsFlying(const ZCCandyWidget* widget) const;
  float TokenWidth(const Token& token) const;
  void SetTokenImages(ZCCandyWidget* widget, int32_t kind);

  MiniGameHost* mHost;
  float mWeights[kKinds] = {};
  float mSpeed = 0;
  // Per kind: normal, "_e" and "_s" pictures (null handles where the texture is missing).
  TextureHandle mImages[kKinds][3];
  std::vector<Token> mRow;
  std::vector<ZCCandyWidget*> mTrays;
  std::vector<ZCCandyWidget*> mFreeTrays;
  // Token widgets out of the row whose pop, fade or flight still runs.
  std::vector<ZCCandyWidget*> mLeaving;
  std::vector<ZCCandyWidget*> mEffectElems;
  std::vector<ZCCandyWidget*> mCoinAnims;
  size_t mNextEffect = 0;
  size_t mNextCoinAnim = 0;
  std::vector<Flight> mFlights;
  // The token the tutorial asked to enable before the row had it (counted from 1; 0: none).
  int32_t mPendingEnable = 0;
};
