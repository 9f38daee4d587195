// The run-up to a start time.
#include "core/run_up.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>

#include "audio/audio_capture.h"
#include "audio/playback_control.h"
#include "audio/sound_library.h"
#include "core/demo.h"
#include "core/gl_state.h"

namespace velmora {

namespace {

// In a window, a bar across the middle of the picture, filled by `done` (0..1).
void showProgressBar(Demo& demo, double done)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    {
        IdentityMatrices clipSpace;
        glColor3f(0.25f, 0.25f, 0.3f);
        glRectf(-0.8f, -0.03f, 0.8f, 0.03f);
        glColor3f(0.9f, 0.9f, 1.0f);
        glRectf(-0.8f, -0.03f, -0.8f + 1.6f * static_cast<float>(done), 0.03f);
    }
    glPopAttrib();
    demo.swapBuffers();
}

}  // namespace

RunUpResult runUp(Demo& demo, int64_t firstFrame, int64_t lastFrame, int fps)
{
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto lastReport = started;
    bool reported = false;
    RunUpResult result;
    const float step = 100.0f / static_cast<float>(fps);

    BASS_Stop();
    for (int64_t frame = firstFrame; frame < lastFrame && demo.exists(); ++frame) {
        const bool warmUp = lastFrame - frame <= kWarmUpFrames && demo.drawOrderReadsPreviousPicture();
        demo.step(step, warmUp ? DrawPass::Full : DrawPass::StateOnly);
        advancePlayback(static_cast<int>(AudioCapture::framesBefore(frame + 1, fps) -
                                         AudioCapture::framesBefore(frame, fps)));
        ++result.frames;

        const auto now = Clock::now();
        if (now - started > std::chrono::seconds(1) && now - lastReport > std::chrono::milliseconds(250)) {
            std::fprintf(stderr, "\rrun-up: %.1f of %.1f s", static_cast<double>(frame) / fps,
                         static_cast<double>(lastFrame) / fps);
            if (!demo.offscreen && !demo.capturing() && demo.hasContext())
                showProgressBar(demo, static_cast<double>(frame - firstFrame) / (lastFrame - firstFrame));
            lastReport = now;
            reported = true;
        }
    }
    result.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (reported)
        std::fprintf(stderr, "\rrun-up: %.1f s of show in %.1f s\n", static_cast<double>(lastFrame) / fps,
                     result.wallSeconds);
    return result;
}

}  // namespace velmora
