// Effect `fontcool`: up to sixteen sliding lines of solid 3D text, glyphs extruded from an
// outline font (a font file of the show or an installed face, through FreeType), lit and
// sphere-mapped.
#pragma once

#include <memory>

#include "core/effect.h"
#include "core/effect_parameters.h"
#include "resources/gl_objects.h"
#include "resources/texture.h"

namespace velmora {

// Per character, in em units (the font's em height is 1).
struct GlyphMetrics {
    float blackBoxX, blackBoxY;  // size of the outline's bounding box
    float originX, originY;      // top-left of the box relative to the pen position
    float cellIncX, cellIncY;    // pen advance
};

struct TextLine {
    int active = 0;
    char string[64] = {};
    float tra[3] = {0, 0, 0};   // position of the first glyph's origin
    float trav[3] = {0, 0, 0};  // change of tra per unit of scaled time
};

class FontCool : public Effect {
public:
    static constexpr int kMaxLines = 16;
    static constexpr int kGlyphCount = 255;  // codes 0..254 get a display list

    ~FontCool() override;
    // Loads the environment image (if named; a failure stops here, with no glyphs), then builds
    // one display list per code from the font `basefont` (a .ttf or .otf file of the show, or an
    // installed face; FontFace says how each falls back) and prints each line's text.
    void load() override;
    void unload() override;  // deletes the glyph lists and the metrics
    void update(float delta) override;
    void render() override;
    // The element's own `active` and `speed` are ignored: children `text` carry them.
    bool readsCommonParameters() const override { return false; }
    // `texture`, `basefont`, `extrude`, `quality`, `italics`, `numtexts`; children `text` with
    // `num` 0..15 set that line's `string`, `active`, `tra`, `trav` (lineAttributes).
    EffectScript script() const override;
    static std::span<const AttributeRow<TextLine>> lineAttributes();

private:
    void readText(const ScriptNode& text);
    bool buildGlyphs();
    unsigned lineCount() const { return numtexts < kMaxLines ? numtexts : kMaxLines; }

    char basefont[32] = "Arial Black";
    char texture[64] = {};
    int italics = 0;
    float quality = 0.01f;                         // largest distance of a flattened curve from the outline, em units
    float extrude = 0.01f;                         // depth of the glyphs, em units
    unsigned numtexts = 0;                         // lines updated and drawn; only the first 16 exist
    DisplayLists glyphLists;                       // 256 lists, one per code; empty when not built
    std::unique_ptr<GlyphMetrics[]> glyphMetrics;  // 256 records; null when not built
    Texture envTexture;
    TextLine lines[kMaxLines];
};

}  // namespace velmora
