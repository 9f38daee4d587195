// The `picture` effect: tiling, display lists and the overlay transform.
#include "effects/picture.h"

#include <GL/glu.h>

#include <cmath>
#include <cstring>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "resources/data_file.h"
#include "resources/tga_image.h"

namespace velmora {

namespace {
// The scripts' degree conversion: 3.14 / 180, not pi / 180.
constexpr float kScriptRadiansPerDegree = 0.017444445f;
constexpr int kLargestBlock = 256;
constexpr int kSmallestSide = 8;
}  // namespace

// ---- tiles ---------------------------------------------------------------------------------

std::vector<int> powerOfTwoBlocks(int size)
{
    std::vector<int> blocks;
    int block = kLargestBlock;
    while (size > 0 && block > 0) {
        if (size >= block) {
            blocks.push_back(block);
            size -= block;
        } else {
            block /= 2;
        }
    }
    return blocks;
}

bool TiledImage::load(const char* fileName)
{
    tiles.clear();
    columns = rows = 0;
    DataFile file(fileName);
    TgaImage picture;
    if (file.size() == 0 || picture.load(file) != 0)
        return false;
    if (picture.width % 2 != 0 || picture.height % 2 != 0 || picture.width < kSmallestSide ||
        picture.height < kSmallestSide)
        return false;

    const std::vector<int> widths = powerOfTwoBlocks(picture.width);
    const std::vector<int> heights = powerOfTwoBlocks(picture.height);
    columns = static_cast<int>(widths.size());
    rows = static_cast<int>(heights.size());
    tiles.reserve(static_cast<size_t>(columns) * rows);
    const int pixelSize = picture.bitsPerPixel / 8;
    std::vector<uint8_t> copy;
    int y = 0;
    for (int r = 0; r < rows; ++r) {
        int x = 0;
        for (int c = 0; c < columns; ++c) {
            ImageTile& tile = tiles.emplace_back();
            tile.width = widths[c];
            tile.height = heights[r];
            tile.x = x;
            tile.y = y;
            copy.resize(static_cast<size_t>(tile.width) * tile.height * pixelSize);
            for (int j = 0; j < tile.height; ++j)
                std::memcpy(&copy[static_cast<size_t>(j) * tile.width * pixelSize],
                            &picture.pixels[(static_cast<size_t>(y + j) * picture.width + x) * pixelSize],
                            static_cast<size_t>(tile.width) * pixelSize);
            tile.texture.create(tile.width, tile.height, picture.bitsPerPixel);
            tile.texture.upload(copy.data(), copy.size());
            x += tile.width;
        }
        y += heights[r];
    }

    const float imageWidth = static_cast<float>(picture.width), imageHeight = static_cast<float>(picture.height);
    for (ImageTile& tile : tiles) {
        const float x0 = tile.x / imageWidth, x1 = (tile.x + tile.width) / imageWidth;
        const float y0 = tile.y / imageHeight, y1 = (tile.y + tile.height) / imageHeight;
        const float du = 1.0f / (2 * tile.width), dv = 1.0f / (2 * tile.height);  // half a texel
        tile.list = DisplayLists::generate();
        tile.list.compile(0, [&] {
            glBegin(GL_QUADS);
            glTexCoord2f(du, dv), glVertex2f(x0, y0);
            glTexCoord2f(1 - du, dv), glVertex2f(x1, y0);
            glTexCoord2f(1 - du, 1 - dv), glVertex2f(x1, y1);
            glTexCoord2f(du, 1 - dv), glVertex2f(x0, y1);
            glEnd();
        });
    }
    return true;
}

void TiledImage::draw() const
{
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    for (const ImageTile& tile : tiles) {
        tile.texture.bind();
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        tile.list.call();
    }
    glDepthMask(GL_TRUE);
}

// ---- effect --------------------------------------------------------------------------------

void Picture::load()
{
    unload();
    image = std::make_unique<TiledImage>();
    image->load(filename);
}

void Picture::unload() { image.reset(); }

void Picture::update(float) {}

void Picture::render()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(-0.5, 0.5, -0.5, 0.5);

    // scale x R x translate(position), R = Rz(g) Ry(b) Rx(a), column-major.
    const float sa = std::sin(rotation[0]), ca = std::cos(rotation[0]);
    const float sb = std::sin(rotation[1]), cb = std::cos(rotation[1]);
    const float sg = std::sin(rotation[2]), cg = std::cos(rotation[2]);
    const float r[3][3] = {
        {cg * cb, cg * sb * sa - sg * ca, cg * sb * ca + sg * sa},
        {sg * cb, sg * sb * sa + cg * ca, sg * sb * ca - cg * sa},
        {-sb, cb * sa, cb * ca},
    };
    GLfloat m[16] = {};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            m[col * 4 + row] = scale[row] * r[row][col];
        m[12 + row] = scale[row] * (r[row][0] * position[0] + r[row][1] * position[1] + r[row][2] * position[2]);
    }
    m[15] = 1;
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m);
    glTranslatef(-0.5f, -0.5f, 0);

    glColor3f(color[0], color[1], color[2]);
    if (image)
        image->draw();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

EffectScript Picture::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<File, &Picture::filename>("filename"),
        attribute<Vector, &Picture::setPosition>("tra"),
        attribute<Vector, &Picture::setRotation>("rot"),
        attribute<Vector, &Picture::scale>("sca"),
        attribute<Colour, &Picture::color>("color"),
    };
    return {kAttributes, {}};
}

// The picture stays in its plane: z is dropped.
void Picture::setPosition(Vector3 v)
{
    position[0] = v.x;
    position[1] = v.y;
    position[2] = 0;
}

void Picture::setRotation(Vector3 degrees)
{
    rotation[0] = degrees.x * kScriptRadiansPerDegree;
    rotation[1] = degrees.y * kScriptRadiansPerDegree;
    rotation[2] = degrees.z * kScriptRadiansPerDegree;
}

}  // namespace velmora
