// The base of every effect: six operations called by the timeline, plus the two common
// parameters `active` and `speed`.
#pragma once

namespace velmora {

struct ScriptNode;
struct EffectScript;

class Effect {
public:
    virtual ~Effect() = default;

    // All data reads, decoding, allocation and GL uploads. Called once, with a current GL context.
    virtual void load() {}
    // Releases what load built. Must be safe to call when load never ran.
    virtual void unload() {}
    // Advances the effect by `delta`, the previous frame's duration in hundredths of a second.
    virtual void update(float delta) = 0;
    // Draws into the current frame; the caller saves and restores all GL attributes around it.
    virtual void render() = 0;
    // True when render changes what later frames show or compute (the effect's own state, or the
    // shared random generator): a run-up to a start time then calls renderUnseen.
    virtual bool changesStateWhileDrawing() const { return false; }
    // For a frame that is run but not shown: leaves the effect and the random generator as render
    // would. The default renders (the caller discards every pixel); an override may do just the
    // state changes.
    virtual void renderUnseen() { render(); }
    // True when what it draws depends on the picture of the frames before (trails, screen
    // feedback): a run-up draws the frames just before the start time in full.
    virtual bool readsPreviousPicture() const { return false; }
    // True when the effect does its work without being drawn (it plays sound): a show need not
    // put it in a draw order.
    virtual bool worksUndrawn() const { return false; }
    // False when the effect's own element does not read `active` and `speed` (a child element
    // carries them instead).
    virtual bool readsCommonParameters() const { return true; }
    // Applies one script element addressed to this effect: `active` and `speed` (when it reads
    // them), then the attributes and children of script(), each in document order.
    virtual void handleElement(const ScriptNode* node);
    // The effect's parameter tables (core/effect_parameters.h); none by default.
    virtual EffectScript script() const;

    void setName(const char* text);        // cut to 15 characters
    void setType(const char* text);        // cut to 15 characters
    bool hasName(const char* text) const;  // ignores ASCII case

    bool active = true;
    float speed = 1.0f;
    char name[16] = {};
    char type[16] = {};

protected:
    void readCommonParameters(const ScriptNode& node);  // `active` and `speed` only
};

}  // namespace velmora
