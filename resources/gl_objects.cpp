// Generation, hand-over and deletion of owned GL names.
#include "resources/gl_objects.h"

#include <utility>

namespace velmora {

// ---- GlTexture -----------------------------------------------------------------------------

GlTexture::GlTexture(GlTexture&& other) noexcept : name_(std::exchange(other.name_, 0)) {}

GlTexture& GlTexture::operator=(GlTexture&& other) noexcept
{
    if (this != &other) {
        reset();
        name_ = std::exchange(other.name_, 0);
    }
    return *this;
}

GlTexture GlTexture::generate()
{
    GlTexture texture;
    glGenTextures(1, &texture.name_);
    return texture;
}

void GlTexture::reset()
{
    if (name_ != 0)
        glDeleteTextures(1, &name_);
    name_ = 0;
}

// ---- DisplayLists --------------------------------------------------------------------------

DisplayLists::DisplayLists(DisplayLists&& other) noexcept
    : base_(std::exchange(other.base_, 0)), count_(std::exchange(other.count_, 0))
{
}

DisplayLists& DisplayLists::operator=(DisplayLists&& other) noexcept
{
    if (this != &other) {
        reset();
        base_ = std::exchange(other.base_, 0);
        count_ = std::exchange(other.count_, 0);
    }
    return *this;
}

DisplayLists DisplayLists::generate(GLsizei count)
{
    DisplayLists lists;
    if (count <= 0)
        return lists;
    lists.base_ = glGenLists(count);
    if (lists.base_ != 0)
        lists.count_ = count;
    return lists;
}

void DisplayLists::call(GLsizei index) const
{
    if (index >= 0 && index < count_)
        glCallList(base_ + static_cast<GLuint>(index));
}

void DisplayLists::reset()
{
    if (count_ != 0)
        glDeleteLists(base_, count_);
    base_ = 0;
    count_ = 0;
}

}  // namespace velmora
