#pragma once
// The description that turns one SVG drawing into pictures and animation sets. It lives beside
// the drawing as "<name>.art" (the drawing is "<name>.svg"); one command a line, words separated
// by blanks, "#" starts a comment line.
//
//   set <name> <frame width> <frame height>   starts the set "anm/<name>.anm" (sheet anm/<name>.png)
//   sheet <suffix>                            the animations after it go to anm/<name>_<suffix>.png
//   hidden <group>...                         groups not drawn unless a pose shows them
//   pivot <group> <x> <y>                     the point a group turns and scales about
//   pose <name> <op>...                       a named list of group changes (below)
//   anim <name> <seconds a frame> [loop] [stop=<frame>] [offset=<x>,<y>] [at=<x>,<y>] [mirror]
//        : <frame>...
//   picture <file> <width> <height> [at=<x>,<y>] [mirror] [: <frame>...]
//   atlas <name> <page width> <page height>
//   image <entry name> <width> <height> [at=<x>,<y>] [mirror] [: <frame>]
//
// A frame is "-" (the drawing as it stands) or pose names joined by "+". The frame's picture is
// the drawing's rectangle at (at) of the frame's size, in the drawing's own units (one unit is one
// pixel), mirrored left to right with "mirror". An animation has as many frames as it lists; each
// row of the sheet holds one animation. "picture" writes a plain image (a row of its frames) at
// <file> below the output folder, for pictures that are not animations (panels, cursors).
// "atlas" starts a texture atlas: its "image" pictures are trimmed of their transparent borders
// and packed on pages of the given size, written as "<name>_00.png", "<name>_01.png"... with
// the description "<name>_atlaspack.xml" (entry names lower case with "/", as the game finds them).
//
// Pose operations, applied in order to the group whose id they name:
//   show:<group>   hide:<group>   move:<group>:<dx>,<dy>   rotate:<group>:<degrees>
//   scale:<group>:<sx>,<sy>
// Rotation and scaling are about the group's pivot (the drawing's origin without one).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PoseOp {
  enum class Kind { Show, Hide, Move, Rotate, Scale } mKind = Kind::Show;
  std::string mGroup;
  double mA = 0, mB = 0;  // dx,dy / degrees / sx,sy
};

// One picture cut from the drawing: the poses applied, then the rectangle rendered.
struct ArtFrame {
  std::vector<std::string> mPoses;
};

struct ArtAnim {
  std::string mName;
  float mFrameTime = 0.1f;
  bool mLoop = false;
  int32_t mStopFrame = -1;
  int32_t mOffsetX = 0, mOffsetY = 0;
  int32_t mAtX = 0, mAtY = 0;
  bool mMirror = false;
  std::vector<ArtFrame> mFrames;
  int mLine = 0;
};

struct ArtSheet {
  std::string mSetName;
  std::string mSheet;  // file name without folder and extension
  int32_t mFrameWidth = 0, mFrameHeight = 0;
  std::vector<ArtAnim> mAnims;
};

struct ArtPicture {
  std::string mFile;  // below the output folder, e.g. "ui/btn_normal.png"
  int32_t mWidth = 0, mHeight = 0;
  ArtAnim mFrames;    // its frames, laid out left to right
};

// A texture atlas: its pictures are cut like "picture" ones (one frame each), then packed.
struct ArtAtlas {
  std::string mName;  // e.g. "comix/sample"
  int32_t mPageWidth = 0, mPageHeight = 0;
  std::vector<ArtPicture> mImages;  // mFile holds the entry name
};

struct ArtDescription {
  std::vector<std::string> mHidden;
  struct Pivot {
    double x = 0, y = 0;
  };
  std::map<std::string, Pivot> mPivots;
  std::map<std::string, std::vector<PoseOp>> mPoses;
  std::vector<ArtSheet> mSheets;  // sheets of one set follow each other
  std::vector<ArtPicture> mPictures;
  ArtAtlas mAtlas;  // none when its name is empty
};

// Reads a description; false with "line N: reason" in `error`.
bool ParseArtDescription(const std::string& text, ArtDescription& out, std::string& error);
