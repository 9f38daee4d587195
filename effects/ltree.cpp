// Effect `ltree`: the L-system tree with bark-textured branches, alpha-tested leaves and shadows
// projected from a point light onto the ground.
#include "effects/ltree.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "core/fatal_data.h"
#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "resources/bmp_image.h"

namespace velmora {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kThirdTurn = 2.0943951f;
constexpr float kTwoThirdsTurn = 4.1887903f;
constexpr float kFullTurn = 6.2831855f;
constexpr float kEighthTurn = 0.78539819f;
const Vec3d kLight{-5, 10, 0};

const float kLeafColours[4][3] = {
    {0.4f, 0.7f, 0.2f}, {0.6f, 0.6f, 0.2f}, {0.8f, 0.4f, 0.2f}, {0.6f, 0.3f, 0.1f}};

// Projects `p` onto y = 0 along the ray from the light.
Vec3d shadowPoint(const Vec3d& p)
{
    return kLight + (p - kLight) * (10.0 / (10.0 - p.y));
}

void vertex(const Vec3d& p) { glVertex3d(p.x, p.y, p.z); }

GlTexture loadTexture(const char* name, BmpPixelOrder order)
{
    std::vector<uint8_t> pixels;
    if (readFixedBmp(name, 32, 32, order, pixels) == BmpReadResult::Missing)
        exitForMissingData(name);
    return buildMipmappedTexture(pixels, 32, 32, bmpComponents(order));
}

}  // namespace

Mat3d makeTransform(double ax, double ay, double az, double length, double width)
{
    Vec3d axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (Vec3d& c : axes) {
        const double y = std::cos(ax) * c.y - std::sin(ax) * c.z;
        const double z = std::sin(ax) * c.y + std::cos(ax) * c.z;
        c.y = y, c.z = z;
        const double x = std::cos(az) * c.x - std::sin(az) * c.y;
        const double y2 = std::sin(az) * c.x + std::cos(az) * c.y;
        c.x = x, c.y = y2;
        const double x2 = std::cos(ay) * c.x - std::sin(ay) * c.z;
        const double z2 = std::sin(ay) * c.x + std::cos(ay) * c.z;
        c.x = x2, c.z = z2;
    }
    axes[0] *= width;
    axes[1] *= length;
    axes[2] *= width;
    Mat3d m;
    for (int c = 0; c < 3; ++c) m.setColumn(c, axes[c]);
    return m;
}

double growthFactor(float growthTime)
{
    return growthTime < 1 ? (1 - std::cos(kPi * growthTime)) / 2 : 1.0;
}

void shapeLeaf(const int r[10], double wind, const Vec3d& p, const Vec3d& axisX, const Vec3d& axisY,
               LeafShape& leaf)
{
    auto u = [](int byte) { return byte * 2.0 / 255 - 1; };
    Vec3d* q = leaf.corners;
    q[0] = p - axisX * 0.75;
    q[1] = p + axisX * 0.75;
    q[2] = p + axisY * 3 + axisX * 0.75;
    q[3] = p + axisY * 3 - axisX * 0.75;

    const double gust = u(r[0]) * 0.1 + 1;
    const double letGo = 8 + r[1] * 16.0 / 255;
    const double fall = std::max(0.0, gust * wind - letGo);
    const double colourWind = wind >= letGo / gust ? letGo / gust : wind;
    const double k = u(r[2]) * 0.05 + 0.15;
    const double top = 0.1 + r[4] * 2.8 / 255;
    const double m = std::min(std::max(k * colourWind - r[3] * 0.25 / 255, 0.0), top);
    const int i = static_cast<int>(m);
    const double f = m - i;
    for (int c = 0; c < 3; ++c)
        leaf.colour[c] = static_cast<float>((1 - f) * kLeafColours[i][c] + f * kLeafColours[i + 1][c]);
    leaf.colour[0] += static_cast<float>(u(r[5]) * 0.05);
    leaf.colour[1] += static_cast<float>(u(r[6]) * 0.1);
    leaf.colour[2] += static_cast<float>(u(r[7]) * 0.025);

    const Vec3d drift{u(r[8]) / 2, 0, u(r[9]) / 2};
    const Vec3d sideways{-0.05, 0, 0};
    for (int c = 0; c < 4; ++c) {
        const double e = 2 * q[c].y - 0.02;
        const double flight = e < 0 ? 0 : (fall * fall < e ? fall : std::sqrt(e));
        q[c] += sideways * (flight * flight / 2) + drift * flight;
        q[c].y -= fall * fall / 2;
        if (q[c].y < 0.01)
            q[c].y = 0.01;
    }
}

LTree::~LTree() { unload(); }

EffectScript LTree::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {attribute<ValueKind::Flag, &LTree::camera>("camera")};
    return {kAttributes, {}};
}

void LTree::load()
{
    unload();
    growthTime = 0;
    rule_ = std::make_unique<RuleSymbol[]>(kRuleLength);
    leafCount_ = -1;
    static const int kinds[kRuleLength] = {1, 0, 1, 1, 2, 1, 1, 4, 3, 0, 2, 1, 1, 4, 3, 0, 2, 1, 1, 4, 3};
    for (int i = 0; i < kRuleLength; ++i) rule_[i].kind = kinds[i];
    rule_[3].transform = makeTransform(0, 0, 0, 0.6, 0.7);
    rule_[5].transform = makeTransform(0, kThirdTurn, 0, 1, 1);
    rule_[11].transform = makeTransform(0, kTwoThirdsTurn, 0, 1, 1);
    rule_[17].transform = makeTransform(0, kFullTurn, 0, 1, 1);
    rule_[6].transform = rule_[12].transform = rule_[18].transform =
        makeTransform(0, 0, kEighthTurn, 0.95, 0.95);
    sinTable_ = std::make_unique<float[]>(9);
    cosTable_ = std::make_unique<float[]>(9);
    for (int k = 0; k <= 8; ++k) {
        sinTable_[k] = static_cast<float>(std::sin(k * kPi / 4));
        cosTable_[k] = static_cast<float>(std::cos(k * kPi / 4));
    }
    stack_.reserve(kMaxDepth + 1);
    if (!leafTexture_)
        leafTexture_ = loadTexture("leafsmall.bmp", BmpPixelOrder::LeafAlpha);
    if (!barkTexture_)
        barkTexture_ = loadTexture("treesmall.bmp", BmpPixelOrder::Reversed);
}

void LTree::unload()
{
    rule_.reset();
    sinTable_.reset();
    cosTable_.reset();
}

void LTree::update(float delta) { growthTime += speed * delta * 0.002f; }

void LTree::render()
{
    if (!rule_)
        return;
    seedRandom(4);
    glMatrixMode(GL_MODELVIEW);
    if (!camera) {
        glLoadIdentity();
        glTranslatef(0, 0, -7);
        glRotatef((1 - std::sin(growthTime * 60 * 0.0375f)) * 25, 1, 0, 0);
        glTranslatef(0, -2, 0);
        glRotatef(growthTime * 60, 0, 1, 0);
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);

    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 32; ++i) {
        glColor3f(0, 0, 0);
        glVertex3d(10 * std::cos(i * kPi / 16), -0.05, 10 * std::sin(i * kPi / 16));
        glVertex3d(10 * std::cos((i + 1) * kPi / 16), -0.05, 10 * std::sin((i + 1) * kPi / 16));
        glColor3f(0.8f, 0.4f, 0.2f);
        glVertex3d(0, -0.05, 0);
    }
    glEnd();

    const double g = growthFactor(growthTime);
    rule_[0].transform = makeTransform(0, 0, 0, g, 1);
    rule_[3].transform = makeTransform(0, 0, 0, 0.6 * g, 0.7);
    rule_[6].transform = rule_[12].transform = rule_[18].transform =
        makeTransform(0, 0, g * g * kEighthTurn, 0.95 * g, 0.95);
    wind_ = growthTime >= 1 ? (growthTime - 1) * 15.0 : 0.0;

    turtle_ = TurtleState{};
    stack_.clear();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_NORMALIZE);
    interpret(0);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
}

void LTree::interpret(int depth)
{
    if (depth >= kMaxDepth)
        return;
    for (int i = 0; i < kRuleLength; ++i) {
        const RuleSymbol& symbol = rule_[i];
        switch (symbol.kind) {
        case RuleSymbol::Segment:
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            glColor3f(1, 1, 1);
            drawSegment();
            turtle_.position += turtle_.orientation.column(1);
            break;
        case RuleSymbol::Transform:
            turtle_.orientation = turtle_.orientation * symbol.transform;
            break;
        case RuleSymbol::Push:
            stack_.push_back(turtle_);
            break;
        case RuleSymbol::Pop:
            if (!stack_.empty()) {
                turtle_ = stack_.back();
                stack_.pop_back();
            }
            break;
        case RuleSymbol::Branch:
            if (depth >= kMaxDepth - 1)
                drawLeaf(wind_);
            else
                interpret(depth + 1);
            break;
        default:
            break;
        }
    }
}

int LTree::countLeaves(int depth) const
{
    if (depth >= kMaxDepth)
        return 0;
    int leaves = 0;
    for (int i = 0; i < kRuleLength; ++i) {
        if (rule_[i].kind == RuleSymbol::Branch)
            leaves += depth >= kMaxDepth - 1 ? 1 : countLeaves(depth + 1);
    }
    return leaves;
}

void LTree::renderUnseen()
{
    if (!rule_)
        return;
    if (leafCount_ < 0)
        leafCount_ = countLeaves(0);
    seedRandom(4);
    for (int i = 0; i < leafCount_ * 10; ++i)
        nextRandom();
}

void LTree::drawSegment()
{
    const Vec3d x = turtle_.orientation.column(0);
    const Vec3d y = turtle_.orientation.column(1);
    const Vec3d z = turtle_.orientation.column(2);
    const Vec3d& p = turtle_.position;
    barkTexture_.bind();
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= 8; ++j) {
        const Vec3d around = x * cosTable_[j] + z * sinTable_[j];
        glNormal3d(around.x, around.y, around.z);
        glTexCoord2f(j * 0.125f, 0);
        vertex(p + around * 0.125);
        glTexCoord2f(j * 0.125f, 1);
        vertex(p + around * 0.125 + y);
    }
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor3f(0, 0, 0);
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= 8; ++j) {
        const Vec3d bottom = p + (x * cosTable_[j] + z * sinTable_[j]) * 0.125;
        vertex(shadowPoint(bottom));
        vertex(shadowPoint(bottom + y));
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
}

void LTree::drawLeaf(double wind)
{
    glDisable(GL_LIGHTING);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    int bytes[10];
    for (int& b : bytes) b = nextRandom() & 255;
    LeafShape leaf;
    shapeLeaf(bytes, wind, turtle_.position, turtle_.orientation.column(0), turtle_.orientation.column(1), leaf);
    glColor3fv(leaf.colour);
    static const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    leafTexture_.bind();
    glBegin(GL_QUADS);
    for (int c = 0; c < 4; ++c) {
        glTexCoord2fv(texCoords[c]);
        vertex(leaf.corners[c]);
    }
    glEnd();
    glColor3f(0, 0, 0);
    glBegin(GL_QUADS);
    for (int c = 0; c < 4; ++c) {
        glTexCoord2fv(texCoords[c]);
        vertex(shadowPoint(leaf.corners[c]));
    }
    glEnd();
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_LIGHTING);
}

}  // namespace velmora
