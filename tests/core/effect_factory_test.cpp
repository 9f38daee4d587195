// The effect factory over a table of type names, and the common parameters of the base.
#include <gtest/gtest.h>

#include <memory>

#include "core/effect_factory.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::element;

class First : public Effect {
public:
    void update(float) override {}
    void render() override {}
};

class Second : public First {};

constexpr EffectType kTypes[] = {
    {"clear", &createEffect<First>},
    {"CLEAR", &createEffect<Second>},  // never reached: the first match wins
    {"3dscene", &createEffect<Second>},
};

TEST(EffectFactory, MatchesTypeNamesIgnoringCaseInTableOrderAndCutsNames)
{
    const EffectFactory factory(kTypes);
    auto add = element("add", {{"type", "Clear"}, {"name", "wipe"}});
    std::unique_ptr<Effect> effect = factory.create(add.get());
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(dynamic_cast<First*>(effect.get()), nullptr);
    EXPECT_EQ(dynamic_cast<Second*>(effect.get()), nullptr);
    EXPECT_STREQ(effect->type, "Clear");  // as the script writes it
    EXPECT_STREQ(effect->name, "wipe");
    EXPECT_TRUE(effect->hasName("WIPE"));
    EXPECT_TRUE(effect->active);
    EXPECT_FLOAT_EQ(effect->speed, 1.0f);

    auto scene = element("add", {{"name", "a"}, {"type", "clear"}, {"type", "3DScene"}, {"name", "b"}});
    effect = factory.create(scene.get());
    ASSERT_NE(dynamic_cast<Second*>(effect.get()), nullptr);
    EXPECT_STREQ(effect->name, "b");  // the later attribute wins

    // Nothing without a known type; no name, or a name cut to 15 characters.
    EXPECT_EQ(factory.create(element("add", {{"type", "clearer"}, {"name", "x"}}).get()), nullptr);
    EXPECT_EQ(factory.create(element("add", {{"name", "x"}}).get()), nullptr);
    EXPECT_EQ(EffectFactory({}).create(element("add", {{"type", "clear"}}).get()), nullptr);

    std::unique_ptr<Effect> unnamed = factory.create(element("add", {{"type", "clear"}}).get());
    ASSERT_NE(unnamed, nullptr);
    EXPECT_STREQ(unnamed->name, "");

    std::unique_ptr<Effect> longName =
        factory.create(element("add", {{"type", "clear"}, {"name", "abcdefghijklmnopqrstuvwxyz"}}).get());
    EXPECT_STREQ(longName->name, "abcdefghijklmno");
}

TEST(EffectBase, CommonParameters)
{
    First effect;
    effect.handleElement(element("e", {{"active", "0"}, {"speed", "2.5x"}, {"other", "1"}}).get());
    EXPECT_FALSE(effect.active);
    EXPECT_FLOAT_EQ(effect.speed, 2.5f);
    effect.handleElement(element("e", {{"ACTIVE", "2"}}).get());
    EXPECT_TRUE(effect.active);
    EXPECT_FLOAT_EQ(effect.speed, 2.5f);
    effect.handleElement(element("e", {{"active", "on"}, {"speed", "fast"}}).get());
    EXPECT_FALSE(effect.active);
    EXPECT_FLOAT_EQ(effect.speed, 0.0f);
}

}  // namespace
}  // namespace velmora
