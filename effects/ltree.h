// Effect `ltree`: a tree grown every frame by a turtle over a fixed rewriting rule, turning to
// autumn and losing its leaves as the wind rises.
#pragma once

#include <memory>
#include <vector>

#include "core/effect.h"
#include "effects/vec3d.h"
#include "resources/gl_objects.h"

namespace velmora {

struct RuleSymbol {
    enum Kind : int { Segment = 0, Transform = 1, Push = 2, Pop = 3, Branch = 4 };
    int kind = Transform;
    Mat3d transform;  // identity unless set
};

// Columns are the images of the unit axes: turned about X by ax, then Z by az, then Y by ay;
// X and Z scaled by `width`, Y by `length`.
Mat3d makeTransform(double ax, double ay, double az, double length, double width);

// Growth factor at `growthTime`: (1 - cos(pi t)) / 2 below 1, then 1.
double growthFactor(float growthTime);

// A leaf as drawn: its colour and its four corners after the fall.
struct LeafShape {
    float colour[3];
    Vec3d corners[4];
};
// Shapes the leaf hanging at `position` with turtle axes `axisX`, `axisY`, for wind `wind`, from
// ten random bytes r[0..9] (each 0..255).
void shapeLeaf(const int r[10], double wind, const Vec3d& position, const Vec3d& axisX, const Vec3d& axisY,
               LeafShape& leaf);

class LTree : public Effect {
public:
    static constexpr int kRuleLength = 21;
    static constexpr int kMaxDepth = 6;

    ~LTree() override;  // also deletes the two textures
    // Builds the rule and tables and loads "leafsmall.bmp" and "treesmall.bmp"; a missing
    // texture ends the process with exit status -1.
    void load() override;
    void unload() override;  // frees rule and tables; the textures stay
    void update(float delta) override;
    // Reseeds the shared generator with 4 and draws the whole tree; nothing before load.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // reseeds the shared generator
    // The generator as render leaves it: reseeded, then ten numbers per leaf.
    void renderUnseen() override;
    EffectScript script() const override;  // `camera`

private:
    struct TurtleState {
        Vec3d position;
        Mat3d orientation;
    };
    void interpret(int depth);
    int countLeaves(int depth) const;  // leaves interpret(depth) draws; the rule's shape alone
    void drawSegment();
    void drawLeaf(double wind);

    std::unique_ptr<RuleSymbol[]> rule_;  // kRuleLength symbols; null before load
    int leafCount_ = -1;                  // leaves of the whole tree; -1 until counted
    std::unique_ptr<float[]> sinTable_, cosTable_;  // 9 entries each
    float growthTime = 0;
    bool camera = false;
    TurtleState turtle_;
    std::vector<TurtleState> stack_;  // saved turtle states, newest last
    double wind_ = 0;
    // Loaded once and kept across reloads; deleted with the effect (needs the GL context, if
    // any, current).
    GlTexture leafTexture_;
    GlTexture barkTexture_;
};

}  // namespace velmora
