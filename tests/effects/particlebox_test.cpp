// The `particlebox` effect beyond its golden images: motion and wrapping, respawning, and the
// camera mode.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "effects/particlebox.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

void configure(ParticleBox& box, testing::AttributeList attributes)
{
    box.handleElement(testing::element("box", attributes).get());
}

// One particle from the origin with a fixed velocity in a 10-unit box: it moves by speed x
// delta x velocity plus the drift, lands exactly on a face without wrapping, and past a face
// wraps onto the opposite one.
TEST(ParticleBox, ParticlesMoveAndWrapAtTheFacesButStayExactlyOnThem)
{
    struct Case {
        const char* velocity;
        const char* drift;
        float delta;  // at speed 2
        Vector3 expected;
    };
    const Case cases[] = {
        {"1,0,0", "0,0,0", 2.5f, {5, 0, 0}},  // exactly on +x: stays
        {"1,0,0", "0,0,0", 2.75f, {-5, 0, 0}},
        {"0,-1,0", "0,0,0", 3, {0, 5, 0}},
        {"0,0,0.5", "0,0,0", 1, {0, 0, 1}},
        {"0,0,0", "0,0.25,0", 1, {0, 0.5f, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ParticleBox box;
        configure(box, {{"number", "1"}, {"dim", "10,10,10"}, {"spawndim", "0,0,0"}, {"pdir", c.drift}});
        configure(box, {{"dirmin", c.velocity}, {"dirmax", c.velocity}, {"speed", "2"}});
        box.load();
        box.update(c.delta);
        EXPECT_FLOAT_EQ(box.position(0).x, c.expected.x);
        EXPECT_FLOAT_EQ(box.position(0).y, c.expected.y);
        EXPECT_FLOAT_EQ(box.position(0).z, c.expected.z);
    }
}

// Standing particles move only by respawning, which only a given `lifespan` switches on, and
// only once their lifetime (below lifespan; 0 behaves as 1) has run out. A count given after
// load waits for the next load.
TEST(ParticleBox, RespawnOnlyWhenLifespanWasGivenAndLifetimeRanOut)
{
    struct Case {
        const char* lifespan;  // null: not given
        float delta;
        bool moved;
    };
    const Case cases[] = {{nullptr, 50000, false}, {"1000000", 1, false}, {"1000000", 2000000, true}, {"0", 1, true}};
    for (const Case& c : cases) {
        ParticleBox box;
        configure(box, {{"number", "8"}, {"spawndim", "4,4,4"}});
        if (c.lifespan)
            configure(box, {{"lifespan", c.lifespan}});
        box.load();
        configure(box, {{"number", "500"}});  // waits for the next load
        const Vector3 start = box.position(7);
        box.update(c.delta);
        EXPECT_EQ(box.storedCount(), 8u);
        const Vector3 end = box.position(7);
        EXPECT_EQ(start.x != end.x || start.y != end.y || start.z != end.z, c.moved) << c.delta;
    }
}

using ParticleboxGL = testing::GLTest;

TEST_F(ParticleboxGL, CameraKeepsTheCurrentViewAndTheTransformStaysOnTheMatrix)
{
    ParticleBox box;
    configure(box, {{"number", "1"}, {"spawndim", "0,0,0"}, {"camera", "1"}});
    box.load();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -5);
    box.render();
    EXPECT_EQ(pixel(320, 240)[0], 255);

    glClear(GL_COLOR_BUFFER_BIT);
    configure(box, {{"camera", "0"}, {"tra", "1,2,3"}});
    glTranslatef(0, 0, -5);
    box.render();  // identity view: the sprite sits behind the near plane
    EXPECT_EQ(pixel(320, 240)[0], 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 1);
    EXPECT_FLOAT_EQ(m[13], 2);
    EXPECT_FLOAT_EQ(m[14], 3);
}

}  // namespace
}  // namespace velmora
