#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "screens/ZCComixActor.h"
#include "screens/ZCComixObjects.h"
#include "shell/XmlNode.h"

// The cut-scene actors on a scene read from a small script (no application: pictures without
// images, which the actors change all the same).
namespace {

XmlNode Parse(const std::string& xml) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "actor test");
}

struct Scene {
  ComixScene scene;
  Scene() {
    scene.Build(nullptr, Parse(R"(<comix><objects>
        <object name="a" type="pic"/><object name="b" type="pic"/><object name="s" type="sound"/>
      </objects><objectGroups><group name="g"><object name="a"/><object name="b"/></group></objectGroups>
    </comix>)")
                             .selectSingleNode(L"comix"));
  }
  std::unique_ptr<ZCComixActor> Actor(const std::string& attributes) {
    return CreateComixActor(scene, Parse("<actor " + attributes + "/>").selectSingleNode(L"actor"));
  }
  ComixPicState& State(const char* name) { return scene.FindObject(name)->AsPic()->mState; }
};

constexpr const char* kChange = R"(action="change_pos_x" object="a" val1="0" val2="10" t1="1" t2="3")";

}  // namespace

TEST(ComixActorTest, ChangeValueOverTime) {
  struct Step {
    float time;
    float x;
    bool done;
  };
  const struct {
    const char* extra;
    std::vector<Step> steps;
  } cases[] = {
      // Once: 5 half-way, the end value at t2 itself and done after it.
      {"", {{2, 5, false}, {3, 10, false}, {3.01f, 10, true}}},
      // Looped: the same value every t2 - t1, never done.
      {R"(loop="1")", {{2, 5, false}, {4, 5, false}, {6, 5, false}, {100.5f, 7.5f, false}}},
      // Roof with a loop goes up and back down every interval.
      {R"(loop="1" rule="roof")", {{1, 0, false}, {2, 10, false}, {2.5f, 5, false}, {3, 0, false}, {4, 10, false}}},
  };
  for (const auto& c : cases) {
    Scene s;
    std::string attributes = kChange;
    attributes += " ";
    attributes += c.extra;
    auto actor = s.Actor(attributes);
    ASSERT_TRUE(actor) << c.extra;
    EXPECT_EQ(actor->EndTime(), 3);
    s.State("a").pos.x = -1;
    actor->Update(0.5f);
    EXPECT_EQ(s.State("a").pos.x, -1) << "before t1";
    for (const Step& step : c.steps) {
      actor->Update(step.time);
      EXPECT_NEAR(s.State("a").pos.x, step.x, 1e-4) << c.extra << " at " << step.time;
      EXPECT_EQ(actor->IsDone(), step.done) << c.extra << " at " << step.time;
    }
  }
}

TEST(ComixActorTest, EaseRules) {
  const struct {
    const char* name;
    float at[4];  // p = 0, 0.25, 0.5, 0.75
  } rules[] = {
      {"lerp", {0, 0.25f, 0.5f, 0.75f}},
      {"roof", {0, 0.5f, 1, 0.5f}},
      {"crazy", {0.5f, (std::sin(6.0f) + 1) / 2, 0.5f, (std::sin(-6.0f) + 1) / 2}},
      {"sin", {0.5f, 1, 0.5f, 0}},
      {"easeIn", {0, 0.0625f, 0.25f, 0.5625f}},
      {"easeOut", {0, 0.5f, std::sqrt(0.5f), std::sqrt(0.75f)}},
  };
  for (const auto& rule : rules) {
    EaseRule f = GetEaseRule(rule.name);
    ASSERT_TRUE(f) << rule.name;
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(f(0.25f * float(i)), rule.at[i], 1e-5) << rule.name << " " << i;
  }
  EXPECT_EQ(GetEaseRule("Lerp"), nullptr);
}

TEST(ComixActorTest, FinishAndEpisodeEnd) {
  Scene s;
  // A click at comix time 12: a non-local actor whose t2 is past keeps its value, a local one
  // jumps to its end.
  std::string farAttributes = kChange;
  farAttributes += R"( local="0")";
  auto far = s.Actor(farAttributes);
  auto near = s.Actor(R"(action="change_pos_y" object="a" val1="0" val2="10" t1="1" t2="3")");
  s.State("a").pos = {-1, -1};
  far->Finish(12);
  near->Finish(12);
  EXPECT_EQ(s.State("a").pos.x, -1);
  EXPECT_EQ(s.State("a").pos.y, 10);
  EXPECT_TRUE(near->IsDone());
  // A set actor jumps to its value.
  auto set = s.Actor(R"(action="set_scale" object="a" val="3" t="50")");
  set->Finish(0);
  EXPECT_EQ(s.State("a").scale, 3);

  // The episode ends: a local loop stops where it is, a non-local one runs on.
  auto localLoop = s.Actor(R"(action="change_pos_x" object="a" val1="0" val2="10" t1="0" t2="2" loop="1")");
  auto keptLoop = s.Actor(R"(action="change_pos_y" object="b" val1="0" val2="10" t1="0" t2="2" loop="1" local="0")");
  localLoop->Update(1);
  keptLoop->Update(1);
  localLoop->EndEpisode();
  keptLoop->EndEpisode();
  localLoop->Update(1.5f);
  keptLoop->Update(1.5f);
  EXPECT_EQ(s.State("a").pos.x, 5);
  EXPECT_EQ(s.State("b").pos.y, 7.5f);
  EXPECT_TRUE(localLoop->IsDone());
  EXPECT_FALSE(keptLoop->IsDone());

  // A change without duration gives its end value.
  auto instant = s.Actor(R"(action="change_alpha" object="b" val1="0" val2="0.5" t1="2" t2="2")");
  instant->Update(2);
  EXPECT_EQ(s.State("b").alpha, 0.5f);
}

TEST(ComixActorTest, TargetsAndFaults) {
  Scene s;
  // An object and a group: the object only. A group: every member.
  auto both = s.Actor(R"(action="set_alpha" object="a" group="g" val="0.25" t="0")");
  ASSERT_TRUE(both);
  both->Update(0);
  EXPECT_EQ(s.State("a").alpha, 0.25f);
  EXPECT_EQ(s.State("b").alpha, 1);
  auto group = s.Actor(R"(action="set_visible" group="g" val="0" t="1")");
  ASSERT_TRUE(group);
  group->Update(0.5f);
  EXPECT_TRUE(s.State("b").visible);
  group->Update(1);
  EXPECT_FALSE(s.State("a").visible);
  EXPECT_FALSE(s.State("b").visible);
  // A picture property on a sound does nothing.
  auto onSound = s.Actor(R"(action="set_pos" object="s" val="1;2" t="0")");
  ASSERT_TRUE(onSound);
  onSound->Update(0);

  for (const char* bad : {
           R"(action="dance" object="a" val="1" t="0")",
           R"(action="set_pos" object="nobody" val="1;1" t="0")",
           R"(action="set_pos" group="nobody" val="1;1" t="0")",
           R"(action="set_pos" val="1;1" t="0")",
           R"(action="set_pos" object="a" val="1" t="0")",
           R"(action="set_pos" object="a" val="1;1")",
           R"(action="change_pos_x" object="a" val2="1" t1="0" t2="1")",
           R"(action="change_pos_x" object="a" val1="0" t1="0" t2="1")",
           R"(action="change_pos_x" object="a" val1="0" val2="1" t2="1")",
           R"(action="change_pos_x" object="a" val1="0" val2="1" t1="0")",
           R"(action="change_pos_x" object="a" val1="0" val2="1" t1="0" t2="1" rule="bounce")",
       })
    EXPECT_EQ(s.Actor(bad), nullptr) << bad;
}

TEST(ComixActorTest, VolumeOfTheSettings) {
  EXPECT_EQ(ComixSoundVolume(50, 60, false), 30);
  EXPECT_EQ(ComixSoundVolume(50, 60, true), 0);
  EXPECT_EQ(ComixMusicVolume(50, 60, false), 30);
  EXPECT_EQ(ComixMusicVolume(55, 61, false), 33);  // 33.55 in whole steps
  EXPECT_EQ(ComixMusicVolume(50, 60, true), 0);
}
