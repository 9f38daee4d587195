// The owners of GL objects: one type per kind, each deleting its names in its destructor and
// in reset(). Every GL call here needs the context that created the names to be current.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>  // the names past GL 1.1, which Windows' GL header stops at

namespace velmora {

// One texture name, mipmapped or not; empty (name 0) until generated.
class GlTexture {
public:
    GlTexture() = default;
    ~GlTexture() { reset(); }
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;
    GlTexture(GlTexture&& other) noexcept;
    GlTexture& operator=(GlTexture&& other) noexcept;  // deletes this owner's texture first

    // A fresh texture name, not yet bound.
    static GlTexture generate();

    // Binds to GL_TEXTURE_2D; an empty owner binds texture 0 (no texture).
    void bind() const { glBindTexture(GL_TEXTURE_2D, name_); }
    // Deletes the texture; the owner becomes empty.
    void reset();

    explicit operator bool() const { return name_ != 0; }
    // For GL queries such as glIsTexture; 0 when empty. Stays owned by this object.
    GLuint name() const { return name_; }

private:
    GLuint name_ = 0;
};

// `count` consecutive display lists; empty (count 0) until generated.
class DisplayLists {
public:
    DisplayLists() = default;
    ~DisplayLists() { reset(); }
    DisplayLists(const DisplayLists&) = delete;
    DisplayLists& operator=(const DisplayLists&) = delete;
    DisplayLists(DisplayLists&& other) noexcept;
    DisplayLists& operator=(DisplayLists&& other) noexcept;  // deletes this owner's lists first

    // `count` (at least 1) fresh, empty lists; an empty owner when GL has none to give.
    static DisplayLists generate(GLsizei count = 1);

    // Records what `draw` sends into list `index` (0 .. count-1); does nothing out of range.
    template <typename Draw>
    void compile(GLsizei index, Draw&& draw) const
    {
        if (index < 0 || index >= count_)
            return;
        glNewList(base_ + static_cast<GLuint>(index), GL_COMPILE);
        draw();
        glEndList();
    }
    // Plays list `index`; does nothing out of range or when empty.
    void call(GLsizei index = 0) const;
    // Deletes the lists; the owner becomes empty.
    void reset();

    explicit operator bool() const { return count_ != 0; }
    GLsizei count() const { return count_; }
    // For GL queries such as glIsList: list `index`'s name, 0 out of range. Stays owned here.
    GLuint name(GLsizei index = 0) const
    {
        return index >= 0 && index < count_ ? base_ + static_cast<GLuint>(index) : 0;
    }

private:
    GLuint base_ = 0;
    GLsizei count_ = 0;
};

}  // namespace velmora
