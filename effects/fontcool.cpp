// Effect `fontcool`: glyph outlines from FreeType flattened to polylines, front and back faces
// tessellated by GLU, side walls with normals, one display list per character code.
#include "effects/fontcool.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <ft2build.h>
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "resources/data_file.h"
#include "resources/font_face.h"
#include "resources/tga_image.h"

namespace velmora {

namespace {

// Windows-1252 codes 0x80..0x9F in Unicode (0 where the code page has no character).
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t unicodeOf(int code) { return code >= 0x80 && code < 0xA0 ? kCp1252High[code - 0x80] : code; }

using Contour = std::vector<std::array<double, 2>>;

// Collects an outline's contours, flattening curves so that no chord strays more than
// `tolerance` (font units) from the curve.
struct Flattener {
    std::vector<Contour> contours;
    double tolerance;
    double x = 0, y = 0;

    void add(double px, double py)
    {
        Contour& c = contours.back();
        if (c.empty() || c.back()[0] != px || c.back()[1] != py)
            c.push_back({px, py});
        x = px, y = py;
    }
    // Segments for a curve whose second differences are at most `bend`: the error of n
    // uniform steps is about bend / (8 n^2) for these low-degree curves.
    int segments(double bend) const
    {
        const double n = std::ceil(std::sqrt(bend / (8 * tolerance)));
        return std::clamp(static_cast<int>(n), 1, 64);
    }
    static int moveTo(const FT_Vector* to, void* user)
    {
        auto* f = static_cast<Flattener*>(user);
        f->contours.emplace_back();
        f->add(to->x, to->y);
        return 0;
    }
    static int lineTo(const FT_Vector* to, void* user)
    {
        static_cast<Flattener*>(user)->add(to->x, to->y);
        return 0;
    }
    static int conicTo(const FT_Vector* c, const FT_Vector* to, void* user)
    {
        auto* f = static_cast<Flattener*>(user);
        const double x0 = f->x, y0 = f->y;
        const double bend = 2 * std::hypot(x0 - 2.0 * c->x + to->x, y0 - 2.0 * c->y + to->y);
        const int n = f->segments(bend);
        for (int i = 1; i <= n; ++i) {
            const double t = double(i) / n, u = 1 - t;
            f->add(u * u * x0 + 2 * u * t * c->x + t * t * to->x, u * u * y0 + 2 * u * t * c->y + t * t * to->y);
        }
        return 0;
    }
    static int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
    {
        auto* f = static_cast<Flattener*>(user);
        const double x0 = f->x, y0 = f->y;
        const double bend = 6 * std::max(std::hypot(x0 - 2.0 * c1->x + c2->x, y0 - 2.0 * c1->y + c2->y),
                                         std::hypot(c1->x - 2.0 * c2->x + to->x, c1->y - 2.0 * c2->y + to->y));
        const int n = f->segments(bend);
        for (int i = 1; i <= n; ++i) {
            const double t = double(i) / n, u = 1 - t;
            f->add(u * u * u * x0 + 3 * u * u * t * c1->x + 3 * u * t * t * c2->x + t * t * t * to->x,
                   u * u * u * y0 + 3 * u * u * t * c1->y + 3 * u * t * t * c2->y + t * t * t * to->y);
        }
        return 0;
    }
};

// The tessellator's callback type as gluTessCallback takes it (GLU's headers name it differently).
using TessCallback = void(APIENTRY*)();

void APIENTRY combineVertex(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* user)
{
    auto* store = static_cast<std::deque<std::array<GLdouble, 3>>*>(user);
    store->push_back({coords[0], coords[1], coords[2]});
    *out = store->back().data();
}

// One face of the glyph at depth z, normal (0, 0, nz), filled by the non-zero winding rule.
void tessellateFace(GLUtesselator* tess, const std::vector<Contour>& contours, double z, double nz)
{
    std::deque<std::array<GLdouble, 3>> points;  // stable addresses until the polygon ends
    std::deque<std::array<GLdouble, 3>> combined;
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(combineVertex));
    gluTessNormal(tess, 0, 0, nz);
    glNormal3d(0, 0, nz);
    gluTessBeginPolygon(tess, &combined);
    for (const Contour& contour : contours) {
        if (contour.size() < 3)
            continue;
        gluTessBeginContour(tess);
        for (const auto& p : contour) {
            points.push_back({p[0], p[1], z});
            gluTessVertex(tess, points.back().data(), points.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
}

// Quads joining the front and back outlines, each with the edge's outward normal. `filledRight`
// tells on which side of its direction an outline has the glyph's inside.
void drawSideWalls(const std::vector<Contour>& contours, double depth, bool filledRight)
{
    glBegin(GL_QUADS);
    for (const Contour& contour : contours) {
        const size_t n = contour.size();
        if (n < 2)
            continue;
        for (size_t i = 0; i < n; ++i) {
            const auto& a = contour[i];
            const auto& b = contour[(i + 1) % n];
            const double dx = b[0] - a[0], dy = b[1] - a[1];
            const double l = std::hypot(dx, dy);
            if (l == 0)
                continue;
            const double side = filledRight ? 1 : -1;
            glNormal3d(-dy / l * side, dx / l * side, 0);
            glVertex3d(a[0], a[1], 0);
            glVertex3d(b[0], b[1], 0);
            glVertex3d(b[0], b[1], -depth);
            glVertex3d(a[0], a[1], -depth);
        }
    }
    glEnd();
}

}  // namespace

FontCool::~FontCool() { unload(); }

EffectScript FontCool::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<File, &FontCool::texture>("texture"),
        attribute<Text, &FontCool::basefont>("basefont"),
        attribute<Float, &FontCool::extrude>("extrude"),
        attribute<Float, &FontCool::quality>("quality"),
        attribute<Integer, &FontCool::italics>("italics"),
        attribute<Integer, &FontCool::numtexts>("numtexts"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {child<&FontCool::readText>("text")};
    return {kAttributes, kChildren};
}

std::span<const AttributeRow<TextLine>> FontCool::lineAttributes()
{
    using enum ValueKind;
    static constexpr AttributeRow<TextLine> kLine[] = {
        attribute<Text, &TextLine::string>("string"),
        attribute<Integer, &TextLine::active>("active"),
        attribute<Vector, &TextLine::tra>("tra"),
        attribute<Vector, &TextLine::trav>("trav"),
    };
    return kLine;
}

// The common parameters of the whole effect, and for each `num` 0..15 that line's attributes.
void FontCool::readText(const ScriptNode& text)
{
    readCommonParameters(text);
    for (const auto& numAttribute : text.attributes) {
        if (!sameName(numAttribute->name, "num"))
            continue;
        const int num = scriptInt(numAttribute->value);
        if (num >= 0 && num < kMaxLines)
            readParameters<TextLine>(lines[num], lineAttributes(), {}, text);
    }
}

void FontCool::load()
{
    unload();
    if (texture[0] != '\0') {
        DataFile file(texture);
        TgaImage image;
        if (image.load(file) != 0) {
            std::printf("fontcool: cannot load texture %s\n", texture);
            return;
        }
        envTexture.create(image.width, image.height, image.bitsPerPixel);
        envTexture.upload(image.pixels.get(), image.pixelBytes);
    }
    if (!buildGlyphs()) {
        std::printf("fontcool: no outline font for %s\n", basefont);
        unload();
        return;
    }
    for (unsigned i = 0; i < lineCount(); ++i)
        std::printf("text%i: %s\n", static_cast<int>(i), lines[i].string);
}

bool FontCool::buildGlyphs()
{
    FontFace font;
    if (!font.open(basefont, italics != 0))
        return false;
    const FT_Face face = font.face();
    // A font file holds one style: an upright face asked for italics is slanted here.
    const bool slant = italics != 0 && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    const FT_Matrix kSlant = {0x10000, 0x3800, 0, 0x10000};  // x += 0.22 y
    const double em = face->units_per_EM;
    glyphMetrics = std::make_unique<GlyphMetrics[]>(256);
    glyphLists = DisplayLists::generate(256);
    GLUtesselator* tess = gluNewTess();
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(glBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(glVertex3dv));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<TessCallback>(glEnd));
    const FT_Outline_Funcs funcs = {
        &Flattener::moveTo, &Flattener::lineTo, &Flattener::conicTo, &Flattener::cubicTo, 0, 0};
    for (int code = 0; code < kGlyphCount; ++code) {
        const FT_UInt glyph = FT_Get_Char_Index(face, unicodeOf(code));
        Flattener flat;
        flat.tolerance = std::max(quality, 1e-4f) * em;
        bool filledRight = true;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0) {
            const FT_Glyph_Metrics& m = face->glyph->metrics;
            glyphMetrics[code] = {float(m.width / em),
                                  float(m.height / em),
                                  float(m.horiBearingX / em),
                                  float(m.horiBearingY / em),
                                  float(face->glyph->advance.x / em),
                                  0};
            if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
                if (slant)
                    FT_Outline_Transform(&face->glyph->outline, &kSlant);
                FT_Outline_Decompose(&face->glyph->outline, &funcs, &flat);
                filledRight = FT_Outline_Get_Orientation(&face->glyph->outline) == FT_ORIENTATION_TRUETYPE;
            }
        }
        for (Contour& contour : flat.contours) {
            if (contour.size() > 1 && contour.front() == contour.back())
                contour.pop_back();
            for (auto& p : contour)
                p = {p[0] / em, p[1] / em};
        }
        glyphLists.compile(code, [&] {
            tessellateFace(tess, flat.contours, 0, 1);
            tessellateFace(tess, flat.contours, -extrude, -1);
            drawSideWalls(flat.contours, extrude, filledRight);
        });
    }
    gluDeleteTess(tess);
    return true;
}

void FontCool::unload()
{
    glyphLists.reset();
    glyphMetrics.reset();
}

void FontCool::update(float delta)
{
    const float d = delta * speed;
    for (unsigned i = 0; i < lineCount(); ++i)
        for (int c = 0; c < 3; ++c)
            lines[i].tra[c] += d * lines[i].trav[c];
}

void FontCool::render()
{
    if (!glyphLists || !glyphMetrics)
        return;
    for (unsigned i = 0; i < lineCount(); ++i) {
        const TextLine& line = lines[i];
        if (line.active == 0)
            continue;
        glDisable(GL_CULL_FACE);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glDisable(GL_BLEND);
        envTexture.bind();
        glEnable(GL_LIGHTING);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        float x = 0;
        for (const char* c = line.string; *c != '\0'; ++c) {
            const auto code = static_cast<unsigned char>(*c);
            glPushMatrix();
            glTranslatef(x, 0, 0);
            glTranslatef(line.tra[0], line.tra[1], line.tra[2]);
            glyphLists.call(code);
            glPopMatrix();
            x += glyphMetrics[code].cellIncX;
        }
    }
}

}  // namespace velmora
