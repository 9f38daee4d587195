// The overlay's text and its 3 x 5 pixel font.
#include "core/author_overlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/musical_time.h"

namespace velmora {

namespace {

// One glyph: five rows of three pixels, top row first, '#' set.
struct Glyph {
    char code;
    const char* rows[5];
};

constexpr Glyph kFont[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}}, {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}}, {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {".##", "#..", "#.#", "#.#", ".##"}}, {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}}, {'J', {"..#", "..#", "..#", "#.#", ".#."}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}}, {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#.#", "###", "###", "#.#", "#.#"}}, {'N', {"##.", "#.#", "#.#", "#.#", "#.#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}}, {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'Q', {".#.", "#.#", "#.#", "##.", ".##"}}, {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {".##", "#..", ".#.", "..#", "##."}}, {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}}, {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#.#", "#.#", "###", "###", "#.#"}}, {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}}, {'Z', {"###", "..#", ".#.", "#..", "###"}},
    {'.', {"...", "...", "...", "...", ".#."}}, {':', {"...", ".#.", "...", ".#.", "..."}},
    {'-', {"...", "...", "###", "...", "..."}}, {'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {'[', {"##.", "#..", "#..", "#..", "##."}}, {']', {".##", "..#", "..#", "..#", ".##"}},
    {'_', {"...", "...", "...", "...", "###"}},
};

const Glyph* glyphFor(char c)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& glyph : kFont) {
        if (glyph.code == upper)
            return &glyph;
    }
    return nullptr;  // a blank
}

constexpr int kScale = 2;                // screen pixels per font pixel
constexpr int kAdvance = 4 * kScale;     // glyph width and one pixel of space
constexpr int kLineHeight = 7 * kScale;  // five rows and two of space

// Appends the glyph's set pixels as quads at (x, y), y the top row, in window pixels.
void glyphQuads(const Glyph& glyph, int x, int y)
{
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (glyph.rows[row][column] != '#')
                continue;
            const float left = static_cast<float>(x + column * kScale);
            const float top = static_cast<float>(y - row * kScale);
            glVertex2f(left, top);
            glVertex2f(left + kScale, top);
            glVertex2f(left + kScale, top - kScale);
            glVertex2f(left, top - kScale);
        }
    }
}

std::vector<std::string> overlayLines(const Demo& demo, bool paused)
{
    std::vector<std::string> lines;
    char text[96];
    std::snprintf(text, sizeof text, "TIME %.2f S%s", static_cast<double>(demo.clock), paused ? "  PAUSED" : "");
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "FPS %.1f", static_cast<double>(demo.frameTimer->framesPerSecond));
    lines.emplace_back(text);
    uint32_t next = demo.nextEvent();
    while (next < demo.eventCount() && demo.event(next).time < 0)
        ++next;
    if (next < demo.eventCount())
        std::snprintf(text, sizeof text, "NEXT EVENT %.2f S", static_cast<double>(demo.event(next).time));
    else
        std::snprintf(text, sizeof text, "NEXT EVENT -");
    lines.emplace_back(text);
    std::string music;
    if (const std::optional<double> beat = demo.beatGrid.beatAt(demo.clock)) {
        std::snprintf(text, sizeof text, "BEAT %.2f  ", *beat);
        music += text;
    }
    if (const std::optional<ModulePosition> position = playingModulePosition(demo)) {
        std::snprintf(text, sizeof text, "ORDER %d ROW %d", position->order, position->row);
        music += text;
    }
    if (!music.empty())
        lines.push_back(music);
    std::string order = "DRAW:";
    for (uint32_t i = 0; i < demo.drawCount(); ++i) {
        const Effect* effect = demo.drawEntry(i);
        std::string name = effect->active ? effect->name : "[" + std::string(effect->name) + "]";
        if (order.size() + name.size() + 1 > 60) {
            lines.push_back(order);
            order = "     ";
        }
        order += " " + name;
    }
    lines.push_back(order);
    return lines;
}

}  // namespace

void drawOverlay(const Demo& demo, bool paused)
{
    const std::vector<std::string> lines = overlayLines(demo, paused);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, demo.width, demo.height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, demo.width, 0, demo.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // A dark panel behind the text, then the text.
    size_t longest = 0;
    for (const std::string& line : lines)
        longest = std::max(longest, line.size());
    const float right = static_cast<float>(8 + longest * kAdvance + 4);
    const float bottom = static_cast<float>(demo.height - 8 - static_cast<int>(lines.size()) * kLineHeight - 4);
    glColor4f(0, 0, 0, 0.6f);
    glRectf(4, static_cast<float>(demo.height - 4), right, bottom);
    glColor4f(1, 1, 0.6f, 1);
    glBegin(GL_QUADS);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int y = demo.height - 8 - static_cast<int>(i) * kLineHeight;
        for (size_t k = 0; k < lines[i].size(); ++k) {
            if (const Glyph* glyph = glyphFor(lines[i][k]))
                glyphQuads(*glyph, 8 + static_cast<int>(k) * kAdvance, y);
        }
    }
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

}  // namespace velmora
