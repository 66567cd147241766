#include "board/ZCMoveItem.h"

#include <cmath>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/PathGraph.h"
#include "board/ZCBoard_Game.h"
#include "board/ZCItemPart.h"
#include "board/ZCPickItem.h"
#include "effects/ZCAnimController.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

const char* const ZCMoveItem::kHeadings[8] = {"t", "tr", "r", "br", "b", "bl", "l", "tl"};

ZCMoveItem::~ZCMoveItem() { Unregister(); }

void ZCMoveItem::Unregister() {
  auto& map = GetBoardWorld().mMoveItems;
  auto it = map.find(mName);
  if (it != map.end() && it->second == this) map.erase(it);
}

ZCMoveItem* ZCMoveItem::FindMoveItem(const std::string& name) {
  auto& map = GetBoardWorld().mMoveItems;
  auto it = map.find(name);
  return it == map.end() ? nullptr : it->second;
}

void ZCMoveItem::Activate(bool active) {
  if (active) {
    ZCBoard_Game* board = GetGameBoard();
    mGraph = board ? board->GetPathGraph(mName) : nullptr;
    mCurrentPoint = mStartPoint;
    PlaceAtPoint(mCurrentPoint);
    mActionTime = 0;
    mWalking = false;
    mCurrentTarget = nullptr;
    ClearTargets();
    SetOrientation("b", false);
  } else {
    ClearTargets();
    mActionTime = 0;
    mWalking = false;
    mCurrentTarget = nullptr;
    mGraph = nullptr;
  }
  ZCItem::Activate(active);
}

void ZCMoveItem::ReadState(const XmlNode& node) {
  ZCItem::ReadState(node);
  GetBoardWorld().mMoveItems.emplace(mName, this);
}

void ZCMoveItem::ClearState() {
  ZCItem::ClearState();
  Unregister();
}

void ZCMoveItem::ReadItem(const XmlNode& node) {
  ZCItem::ReadItem(node);
  mStartPoint = ReadBoardText(node, L"start_point");
  mCurrentPoint = mStartPoint;
}

void ZCMoveItem::BindPersonParams() { mPerson = FindPersonParams(mName); }

void ZCMoveItem::QueueTarget(ZCPickItem* item) {
  if (!item) return;
  mTargets.push_back(item);
  TraceBoardEvent("target %s %s", mName.c_str(), item->GetName().c_str());
  item->ShowClickMarker();
}

ZCItem* ZCMoveItem::SetCurrentTarget(ZCItem* item) {
  ZCItem* previous = mCurrentTarget;
  mCurrentTarget = item;
  if (auto* pick = dynamic_cast<ZCPickItem*>(previous)) pick->RemoveClick();
  return previous;
}

void ZCMoveItem::PlaceAtPoint(const std::string& point) {
  BoardPoint pos;
  if (!mGraph || !mGraph->GetPointPos(point, pos)) return;
  mCurrentPoint = point;
  // Placed, not walking: a walk under way would carry the walker back onto its old route.
  mWalking = false;
  SetPosition(pos);
  SetPartReferencePoints();
  // Standing elsewhere, the walker is drawn in another order among the furniture.
  if (ZCBoard_Game* board = GetGameBoard()) board->SetDrawOrderDirty();
}

float ZCMoveItem::GetMoveSpeed() const { return mPerson ? mPerson->mMoveSpeed : 0.0f; }

bool ZCMoveItem::WalkTo(const std::string& target, float speed) {
  if (!mRunning || !mGraph) return false;
  if (target == mCurrentPoint) return false;
  if (!mGraph->SetStart(mCurrentPoint)) return false;
  if (!mGraph->FindPath(target, speed)) return false;
  if (IsBoardTraced()) {
    std::string route;
    for (const RouteSegment& seg : mGraph->GetRoute()) {
      if (route.empty()) route = std::to_string(seg.x0) + "," + std::to_string(seg.y0);
      route += " " + std::to_string(seg.x1) + "," + std::to_string(seg.y1);
    }
    TraceBoardEvent("walk %s %s -> %s: %s", mName.c_str(), mCurrentPoint.c_str(), target.c_str(), route.c_str());
  }
  mCurrentPoint = target;
  mWalking = true;
  return true;
}

void ZCMoveItem::Update() {
  ZCItem::Update();
  const float step = GetGameStep();
  ZCBoard_Game* board = GetGameBoard();

  if (mWalking && mGraph) {
    mGraph->SetSpeed(GetMoveSpeed());
    BoardPoint dir, pos;
    mWalking = mGraph->Advance(step, pos, dir);
    ChooseOrientation(dir);
    SetPosition(pos);
    SetPartReferencePoints();
    if (board) board->SetDrawOrderDirty();
    if (!mWalking)
      TraceBoardEvent("arrive %s %s at %d,%d heading %s", mName.c_str(), mCurrentPoint.c_str(), int(GetPosition().x),
                      int(GetPosition().y), GetOrientation().c_str());
  } else if (mWalking) {
    mWalking = false;
  }

  if (!mTargets.empty() && !IsBusy()) {
    ZCPickItem* target = mTargets.front();
    if (mCurrentPoint == target->GetName()) {
      OnActionTimer(3);
      int32_t scratch = 0;
      // Both dry runs are made every time: they may have side effects of their own.
      const bool targetAgrees = target->Interact(this, true, &scratch);
      const bool walkerAgrees = Interact(target, true, &scratch);
      if (targetAgrees && walkerAgrees) {
        target->Interact(this, false, &scratch);
        Interact(target, false, &scratch);
        TraceBoardEvent("serve %s %s", mName.c_str(), target->GetName().c_str());
        target->RemoveClick();
        target->HideClickMarker();
        // The interaction may have changed the queue: the served item leaves wherever it is.
        for (auto it = mTargets.begin(); it != mTargets.end(); ++it)
          if (*it == target) {
            mTargets.erase(it);
            break;
          }
      } else {
        TraceBoardEvent("refused %s %s", mName.c_str(), target->GetName().c_str());
        for (ZCPickItem* item : mTargets) item->RemoveClick();
        ClearTargets();
      }
    } else if (!WalkTo(target->GetName(), GetMoveSpeed())) {
      TraceBoardEvent("unreachable %s %s", mName.c_str(), target->GetName().c_str());
      ClearTargets();
    }
    if (board) board->SetDrawOrderDirty();
  }

  AfterMove();
  UpdateTrail(step);
}

void ZCMoveItem::ChooseOrientation(const BoardPoint& dir) {
  const std::string heading = HeadingFor(dir);
  if (heading.empty()) return;
  mWalkOrientation = heading;
  const bool turned = heading != mOrientation;
  mOrientation = heading;
  // The walker turns on each edge of its route: a part facing elsewhere plays what it plays
  // again under the new heading (a part left as it is would show the old heading until the
  // next animation starts).
  for (auto& part : mParts)
    if (part->IsMirrored() || part->GetOrientation() != heading) part->SetOrientation(heading, true);
  if (turned && IsBoardTraced()) {
    const ZCAnimController* controller = mParts.empty() ? nullptr : mParts.front()->GetController();
    const AnimEntry* shown = controller ? controller->GetCurrentAnimation() : nullptr;
    TraceBoardEvent("turn %s %s shows %s", mName.c_str(), heading.c_str(), shown ? shown->mName.c_str() : "nothing");
  }
}

std::string ZCMoveItem::HeadingFor(const BoardPoint& dir) {
  const float dx = float(dir.x);
  const float u = -float(dir.y);
  if (dx == 0 && u == 0) return std::string();
  if (dx == 0) return u > 0 ? "t" : "b";
  if (u == 0) return dx > 0 ? "r" : "l";
  const float kHalfPi = 1.5707963705062866f;
  const float kThreeHalfPi = 4.71238899230957f;
  const float a = std::acos(std::fabs(dx) / std::sqrt(dx * dx + u * u));
  float theta;
  if (dx > 0 && u > 0)
    theta = kHalfPi - a;
  else if (dx < 0 && u > 0)
    theta = kThreeHalfPi + a;
  else if (dx > 0)
    theta = kHalfPi + a;
  else
    theta = kThreeHalfPi - a;
  // The heading of the last row whose threshold (in sixteenths of a half turn, clockwise from
  // straight up) lies strictly below the angle: the straight headings cover 22.5 degrees, the
  // diagonals 67.5.
  static const struct {
    int sixteenths;
    const char* heading;
  } kRows[] = {{0, "t"},   {1, "tr"},  {7, "r"},   {9, "br"}, {15, "b"},
               {17, "bl"}, {23, "l"},  {25, "tl"}, {31, "t"}};
  const float kPi = 3.14159265358979f;
  const char* heading = "t";
  for (const auto& row : kRows)
    if (float(row.sixteenths) * kPi / 16.0f < theta) heading = row.heading;
  return heading;
}

void ZCMoveItem::SetPartReferencePoints() {
  // A walker is a segment 40 pixels wide through its feet for the draw order.
  const BoardPoint p = GetPosition();
  const BoardPoint left{SaturatingAdd(p.x, -20), p.y}, right{SaturatingAdd(p.x, 20), p.y};
  for (auto& part : mParts) part->SetReferencePoints(left, p, right);
}

void ZCMoveItem::UpdateTrail(float step) {
  for (auto& part : mParts) part->DecayTrail(mTrailFadeRate * step);
  if (!mBoostOn) return;
  mTrailElapsed += step;
  if (mTrailElapsed < mTrailInterval) return;
  for (auto& part : mParts) part->AddTrail();
  mTrailElapsed = 0;
}

void ZCMoveItem::ClearTargets() {
  for (ZCPickItem* item : mTargets) item->HideClickMarker();
  mTargets.clear();
}

void ZCMoveItem::SetSpeedBoost(bool on, float fadeRate, float interval) {
  const bool wasOn = mBoostOn;
  mBoostOn = on;
  if (!on) return;
  mTrailFadeRate = fadeRate;
  mTrailInterval = interval;
  if (!wasOn) mTrailElapsed = 0;
}

// ---- Persons ----

void ZCMoveItem::LoadPersons(const XmlNode& root) {
  ForgetPersons();
  auto& persons = GetBoardWorld().mPersons;
  persons.clear();
  for (const XmlNode& node : root.selectNodes(L"perses/pers")) {
    PersonParams person;
    person.mName = ReadBoardText(node, L"name");
    if (!GetUsableFloat(node, "cfg\\cfg.xml", L"move_speed", person.mMoveSpeed, kMinMoveSpeed, kMaxMoveSpeed,
                        kDefaultMoveSpeed))
      LogMessage("WARNING: cfg\\cfg.xml: <pers name=\"%s\"> has no move_speed; %g used", person.mName.c_str(),
                 double(kDefaultMoveSpeed));
    for (const XmlNode& child : node.selectNodes(L"orientations")) {
      OrientationRecord record;
      record.mOrientation = ReadBoardText(child, L"orientation");
      if (record.mOrientation.empty()) continue;
      record.mActualOrientation = ReadBoardText(child, L"actual_orientation");
      ReadBoardCoord(child, L"ofs_x", record.mOfsX);
      ReadBoardCoord(child, L"ofs_y", record.mOfsY);
      person.mOrientations.emplace(record.mOrientation, record);
    }
    persons.emplace(person.mName, std::move(person));
  }
}

const PersonParams* ZCMoveItem::FindPersonParams(const std::string& name) {
  auto& persons = GetBoardWorld().mPersons;
  auto it = persons.find(name);
  return it == persons.end() ? nullptr : &it->second;
}

void ZCMoveItem::ClearPersons() {
  ForgetPersons();
  GetBoardWorld().mPersons.clear();
}

void ZCMoveItem::ForgetPersons() {
  // The records are about to go: no walker keeps one.
  for (ZCItem* item : GetItemRegistry().Items())
    if (auto* walker = dynamic_cast<ZCMoveItem*>(item)) walker->mPerson = nullptr;
}
