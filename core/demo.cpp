// The Demo: effect table, draw order, timeline, loading phase and main loop.
#include "core/demo.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/author_mode.h"
#include "core/console.h"
#include "core/script_driver.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

Demo::Demo(const RunOptions& options, std::span<const EffectType> effectTypes)
    : DemoWindow(options), factory_(effectTypes)
{
}

Demo::~Demo()
{
    author.reset();
    clearAll();
}

// ---- Effects and draw order -------------------------------------------------------------

Effect* Demo::findEffect(const char* name) const
{
    for (uint32_t i = 0; i < effectCount_; ++i) {
        if (effects_[i]->hasName(name))
            return effects_[i].get();
    }
    return nullptr;
}

void Demo::addEffect(const ScriptNode* element)
{
    std::unique_ptr<Effect> effect = factory_.create(element);
    if (!effect) {
        const AddRequest request = readAddRequest(*element);
        if (request.type && !factory_.find(request.type))
            printNote("effect type [%s] does not exist: effect [%s] not created", request.type, request.name);
        else if (!request.type)
            printNote("add without a type: effect [%s] not created", request.name);
        return;
    }
    if (effectCount_ == kMaxEffects) {
        std::printf("XML Error: more than %u effects, [%s] refused\n", kMaxEffects, effect->name);
        return;
    }
    effects_[effectCount_++] = std::move(effect);
}

int Demo::setDrawOrder(const ScriptNode* element)
{
    drawCount_ = 0;
    for (const auto& attribute : element->attributes) {
        if (!sameName(attribute->name, "effect"))
            continue;
        Effect* effect = findEffect(attribute->value);
        if (!effect) {
            std::printf("XML Error: DrawOrder\n");
            return -1;
        }
        if (drawCount_ == kMaxDrawOrder) {
            std::printf("XML Error: DrawOrder holds at most %u entries\n", kMaxDrawOrder);
            return -1;
        }
        uint32_t index = 0;
        while (effects_[index].get() != effect)
            ++index;
        drawIndex_[drawCount_] = index;
        drawOrder_[drawCount_++] = effect;
    }
    return 0;
}

int Demo::selectLoadingEffect(const ScriptNode* element)
{
    for (const auto& attribute : element->attributes) {
        if (!sameName(attribute->name, "effect"))
            continue;
        Effect* effect = findEffect(attribute->value);
        if (!effect)
            return -1;
        loadingEffect_ = effect;
    }
    return 0;
}

// ---- Timeline ---------------------------------------------------------------------------

namespace {

// True when the event `element` holds an `exit`.
bool endsShow(const ScriptNode* element)
{
    return std::any_of(element->children.begin(), element->children.end(),
                       [](const auto& child) { return sameName(child->name, "exit"); });
}

}  // namespace

void Demo::addEvent(ScriptNode* element)
{
    if (events_.size() == kMaxEvents) {
        // One line for the whole overflow, and one more when the show's way out is lost.
        if (refusedEvents_++ == 0)
            std::printf("XML Error: more than %u events, event refused, and every later one\n", kMaxEvents);
        if (!exitRefused_ && endsShow(element)) {
            exitRefused_ = true;
            std::printf("XML Error: the event with the show's exit is among the refused events: the show will "
                        "not end by itself\n");
        }
        return;
    }
    Event event;
    event.element = element;
    for (const auto& attribute : element->attributes) {
        if (sameName(attribute->name, "key")) {
            for (char* c = attribute->value; *c; ++c) {
                if (*c >= 'a' && *c <= 'z')
                    *c = static_cast<char>(*c - 'a' + 'A');
            }
            event.key = static_cast<signed char>(attribute->value[0]);
            event.time = kKeyEventTime;
        } else if (sameName(attribute->name, "time")) {
            event.time = scriptFloat(attribute->value);
        }
    }
    placeEvent(event, beatGrid);
    // A time that is no number could never be compared with the clock; it would also hold
    // back every event behind it. It never fires, like a key event.
    if (std::isnan(event.time))
        event.time = kKeyEventTime;
    events_.push_back(event);
    if (loaded_)
        resolveModuleTimes(events_, *this);
}

void Demo::sortEvents()
{
    // Only the events still to come: a `load` inside an event sorts while the timeline walks
    // the list, and the ones already fired must stay behind nextEvent. Exchanges only strictly
    // greater neighbours, so equal times keep their document order.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (size_t i = nextEvent_ + 1; i < events_.size(); ++i) {
            if (events_[i - 1].time > events_[i].time) {
                std::swap(events_[i - 1], events_[i]);
                exchanged = true;
            }
        }
    }
}

// ---- Loading ----------------------------------------------------------------------------

void Demo::drawLoadingFrame()
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (loadingEffect_) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        loadingEffect_->update(1.0f);
        loadingEffect_->render();
        glPopAttrib();
    }
    // Loading again while the show runs (author mode): shown in a window, never captured.
    if (rebuilding) {
        if (!capturing())
            swapBuffers();
        return;
    }
    DemoWindow::frame();
}

void Demo::loadAll()
{
    std::printf("Loading.\n");
    // Effects load into the window's GL context: when `create` could make none (no context, or
    // a capture that could not start) there is nothing to load into.
    if (creationFailed()) {
        std::fprintf(stderr, "load: no window, no effect loaded\n");
        return;
    }
    if (loadingEffect_) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        loadingEffect_->load();
        glPopClientAttrib();
        glPopAttrib();
    }
    drawLoadingFrame();

    std::printf("sorting events\n");
    sortEvents();
    std::printf("done.\n");

    for (uint32_t i = 0; i < effectCount_; ++i) {
        Effect* effect = effects_[i].get();
        if (effect != loadingEffect_) {
            std::printf("Loading effect %2u:[%s][%s]", i, effect->name, effect->type);
            // Loading may change GL state (texture units, texture generation) as drawing
            // does; it must not leak into the effects drawn later.
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
            effect->load();
            glPopClientAttrib();
            glPopAttrib();
            std::printf("done.\n");
        }
        drawLoadingFrame();
    }
    loaded_ = true;
    if (resolveModuleTimes(events_, *this))
        sortEvents();
}

// ---- Main loop --------------------------------------------------------------------------

void Demo::runMainLoop()
{
    // Without a window no quit message can ever arrive: the loop would never end.
    if (!exists()) {
        std::printf("run: no window, nothing to show\n");
        return;
    }
    // Applying the element again for author mode stops here: its main loop goes on.
    if (rebuilding)
        return;
    // A `run` inside an event would start a loop inside the loop, once per frame, without end.
    if (running_) {
        std::printf("XML Error: run inside a running show ignored\n");
        return;
    }
    running_ = true;
    played_ = true;
    quitSeen_ = false;
    frameTimer->reset();
    frameTimer->setInterval(1);
    if (!author)
        author = std::make_unique<AuthorSession>(*this, options);
    author->beforeMainLoop();
    while (pumpMessages()) {
        if (author->holdFrame())
            continue;
        frame();
    }
    running_ = false;
}

bool Demo::pumpMessages()
{
    if (!quitSeen_ && !processMessages())
        quitSeen_ = true;
    return !quitSeen_;
}

bool Demo::frame()
{
    // A capture step that is not written is stepped as a run-up steps, unless its picture
    // shows through in the frames after it.
    const bool unseen = nextFrameUnseen() && !drawOrderReadsPreviousPicture();
    step(frameTimer->step(), unseen ? DrawPass::StateOnly : DrawPass::Full);
    if (author)
        author->beforeSwap();
    return DemoWindow::frame();
}

void Demo::step(float delta, DrawPass pass)
{
    frameStart = clock;

    while (nextEvent_ < events_.size() && events_[nextEvent_].time < 0)
        ++nextEvent_;
    while (nextEvent_ < events_.size() && events_[nextEvent_].time <= frameStart &&
           !(events_[nextEvent_].time < 0)) {
        // The event counts as fired before its element is applied: the element may add or
        // sort events (reallocating the list, hence the copy) and must not see itself again.
        const uint32_t index = nextEvent_++;
        const Event event = events_[index];
        std::printf("lastEvent: %i %f %f\n", static_cast<int>(index), event.time, frameStart);
        applyBlock(*this, event.element);
    }

    clock += delta * 0.01f;

    if (pass == DrawPass::StateOnly) {
        // An empty scissor box discards every fragment: what the skipped frames would have
        // drawn costs no rasterising.
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    }
    for (uint32_t i = 0; i < drawCount_; ++i) {
        Effect* effect = drawOrder_[i];
        if (!effect->active)
            continue;
        if (pass == DrawPass::Full) {
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            effect->update(delta);
            effect->render();
            glPopAttrib();
        } else {
            effect->update(delta);  // touches no GL state
            if (effect->changesStateWhileDrawing()) {
                glPushAttrib(GL_ALL_ATTRIB_BITS);
                effect->renderUnseen();
                glPopAttrib();
            }
        }
        ++timesDrawn_[drawIndex_[i]];
    }
    if (pass == DrawPass::StateOnly)
        glDisable(GL_SCISSOR_TEST);
}

bool Demo::drawOrderReadsPreviousPicture() const
{
    for (uint32_t i = 0; i < drawCount_; ++i) {
        if (drawOrder_[i]->active && drawOrder_[i]->readsPreviousPicture())
            return true;
    }
    return false;
}

void Demo::key(int code, int flag)
{
    if (author && author->key(code, flag))
        return;
    DemoWindow::key(code, flag);
}

void Demo::exitShow()
{
    if (author && author->loopInsteadOfExit())
        return;
    close();
}

void Demo::printDrawStats() const
{
    for (uint32_t i = 0; i < effectCount_; ++i)
        std::printf("drawn: [%s][%s] %u\n", effects_[i]->name, effects_[i]->type, timesDrawn_[i]);
}

void Demo::clearAll()
{
    if (options.stats && effectCount_ > 0)
        printDrawStats();
    timesDrawn_.fill(0);
    for (uint32_t i = 0; i < effectCount_; ++i) {
        effects_[i]->unload();
        effects_[i].reset();
    }
    effectCount_ = 0;
    drawOrder_.fill(nullptr);
    drawCount_ = 0;
    loadingEffect_ = nullptr;
    events_.clear();
    nextEvent_ = 0;
    refusedEvents_ = 0;
    exitRefused_ = false;
    loaded_ = false;
}

}  // namespace velmora
