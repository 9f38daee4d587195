// Effect `rigid`: fourteen rigid bodies on a ground slab, kicked towards the centre one after
// another, with a cloth that falls on them and drapes over the group.
#pragma once

#include <memory>

#include "core/effect.h"
#include "effects/rigid_body.h"

namespace velmora {

class Rigid : public Effect {
public:
    ~Rigid() override;
    void load() override;
    void unload() override;
    // Runs the simulation at 20 steps per second of frame time (`speed` not applied), at most
    // 4 steps per call; steps that fall behind are caught up by later calls.
    void update(float delta) override;
    void render() override;
    EffectScript script() const override;  // `camera`

    // The simulation as the next render draws it: steps run since load, bodies and cloth (null
    // before load and after unload).
    int stepsDone() const { return stepCount; }
    const RigidWorld* world() const { return world_.get(); }
    const ClothGrid* cloth() const { return cloth_.get(); }

private:
    void drawBodyFaces(const RigidBody& body) const;

    float stepClock = 0;                 // simulation clock in steps
    int stepCount = 0;                   // steps done
    std::unique_ptr<RigidWorld> world_;  // null before load and after unload
    std::unique_ptr<ClothGrid> cloth_;   // null before load and after unload
    bool camera = false;                 // true: draw in the view left by earlier effects
};

}  // namespace velmora
