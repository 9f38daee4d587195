// What a script sets on an effect: the factory over a table of type names, the base's common
// parameters, and the parameter table reader (each kind of value converts with the script rules
// into its member or setter, names ignore ASCII case, unknown names are skipped, document order
// holds, and children run their actions).
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "core/effect_factory.h"
#include "core/effect_parameters.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

struct Record {
    int count = 0;
    float rate = 0;
    bool on = false;
    float rgba[4] = {};
    float rgb[3] = {};
    float place[3] = {};
    char label[8] = {};
    std::array<std::array<char, 4>, 2> files{};
    GLenum blend = 0;
    std::string calls;

    void addLog(const char* text) { calls += text; }
    void poke() { calls += "!"; }
    void readChild(const ScriptNode& child) { calls += child.name; }

    static std::span<const AttributeRow<Record>> attributes()
    {
        using enum ValueKind;
        static constexpr AttributeRow<Record> kRows[] = {
            attribute<Integer, &Record::count>("count"),
            attribute<Float, &Record::rate>("rate"),
            attribute<Flag, &Record::on>("on"),
            attribute<Colour, &Record::rgba>("rgba"),
            attribute<Colour, &Record::rgb>("rgb"),
            attribute<Vector, &Record::place>("place"),
            attribute<Text, &Record::label>("label"),
            attribute<Text, &Record::files, 1>("file2"),
            attribute<Blend, &Record::blend>("blend"),
            attribute<Text, &Record::addLog>("log"),
        };
        return kRows;
    }
    static std::span<const ChildRow<Record>> children()
    {
        static constexpr ChildRow<Record> kRows[] = {child<&Record::poke>("poke"), child<&Record::readChild>("named")};
        return kRows;
    }
};

TEST(EffectParameters, EachKindConvertsWithTheScriptRules)
{
    Record r;
    auto node = element("e",
                                 {{"COUNT", "12abc"},
                                  {"rate", "1e-2"},
                                  {"on", "-3"},
                                  {"rgba", "0x80ff0040"},
                                  {"rgb", "ff8000"},
                                  {"place", "1,,2"},
                                  {"label", "a-long-name"},
                                  {"file2", "abcdef"},
                                  {"blend", "5"},
                                  {"unknown", "9"},
                                  {"log", "x"},
                                  {"log", "y"}});
    addChild(*node, "Poke");
    addChild(*node, "named");
    addChild(*node, "other");
    readParameters<Record>(r, Record::attributes(), Record::children(), *node);
    EXPECT_EQ(r.count, 12);
    EXPECT_FLOAT_EQ(r.rate, 0.01f);
    EXPECT_TRUE(r.on);
    EXPECT_FLOAT_EQ(r.rgba[0], 1.0f);
    EXPECT_FLOAT_EQ(r.rgba[3], 128 / 255.0f);
    EXPECT_FLOAT_EQ(r.rgba[2], 64 / 255.0f);
    EXPECT_NEAR(r.rgb[1], 128 / 255.0f, 1e-6f);
    EXPECT_FLOAT_EQ(r.place[0], 1.0f);
    EXPECT_FLOAT_EQ(r.place[1], 0.0f) << "the scan stops at the missing component";
    EXPECT_FLOAT_EQ(r.place[2], 0.0f);
    EXPECT_STREQ(r.label, "a-long-");
    EXPECT_STREQ(r.files[1].data(), "abc");
    EXPECT_EQ(r.files[0][0], '\0');
    EXPECT_EQ(r.blend, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(r.calls, "xy!named") << "attributes in document order, then children";

    const auto rows = Record::attributes();
    EXPECT_EQ(rows[6].textLimit, 7);
    EXPECT_EQ(rows[7].textLimit, 3);
    EXPECT_EQ(rows[9].textLimit, kScriptFieldSize - 1);

    // Non-numbers read as zero, unknown blend codes as one.
    readParameters<Record>(r, Record::attributes(), {},
                           *element("e", {{"count", "x"}, {"on", "0"}, {"blend", "10"}, {"rgb", "zz"}}));
    EXPECT_EQ(r.count, 0);
    EXPECT_FALSE(r.on);
    EXPECT_EQ(r.blend, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(r.rgb[0], 0.0f);
}

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
