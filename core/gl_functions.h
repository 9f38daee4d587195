// Every OpenGL 1.x entry point the player and GLU call, as F(return type, name, (parameters),
// (arguments)): the release player defines each one as a forward to the context's own
// implementation (core/gl_runtime.cpp), so that it links against no GL library. A GL call that is
// missing here fails the release player's link with its name.
#pragma once

#include <GL/gl.h>

#define VELMORA_GL_FUNCTIONS(F) \
    F(void, glAlphaFunc, (GLenum func, GLclampf ref), (func, ref)) \
    F(void, glBegin, (GLenum mode), (mode)) \
    F(void, glBindTexture, (GLenum target, GLuint texture), (target, texture)) \
    F(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor)) \
    F(void, glCallList, (GLuint list), (list)) \
    F(void, glClear, (GLbitfield mask), (mask)) \
    F(void, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha), (red, green, blue, alpha)) \
    F(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue)) \
    F(void, glColor3fv, (const GLfloat *v), (v)) \
    F(void, glColor3ubv, (const GLubyte *v), (v)) \
    F(void, glColor4f, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha)) \
    F(void, glColor4fv, (const GLfloat *v), (v)) \
    F(void, glColorMaterial, (GLenum face, GLenum mode), (face, mode)) \
    F(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    F(void, glCopyTexSubImage2D, (GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y, GLsizei width, GLsizei height), (target, level, xoffset, yoffset, x, y, width, height)) \
    F(void, glCullFace, (GLenum mode), (mode)) \
    F(void, glDeleteLists, (GLuint list, GLsizei range), (list, range)) \
    F(void, glDeleteTextures, (GLsizei n, const GLuint *textures), (n, textures)) \
    F(void, glDepthFunc, (GLenum func), (func)) \
    F(void, glDepthMask, (GLboolean flag), (flag)) \
    F(void, glDisable, (GLenum cap), (cap)) \
    F(void, glDisableClientState, (GLenum cap), (cap)) \
    F(void, glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count)) \
    F(void, glDrawPixels, (GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid *pixels), (width, height, format, type, pixels)) \
    F(void, glEnable, (GLenum cap), (cap)) \
    F(void, glEnableClientState, (GLenum cap), (cap)) \
    F(void, glEnd, (void), ()) \
    F(void, glEndList, (void), ()) \
    F(void, glEvalCoord1f, (GLfloat u), (u)) \
    F(void, glEvalCoord2f, (GLfloat u, GLfloat v), (u, v)) \
    F(void, glEvalMesh1, (GLenum mode, GLint i1, GLint i2), (mode, i1, i2)) \
    F(void, glEvalMesh2, (GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2), (mode, i1, i2, j1, j2)) \
    F(void, glEvalPoint1, (GLint i), (i)) \
    F(void, glEvalPoint2, (GLint i, GLint j), (i, j)) \
    F(void, glFinish, (void), ()) \
    F(GLuint, glGenLists, (GLsizei range), (range)) \
    F(void, glGenTextures, (GLsizei n, GLuint *textures), (n, textures)) \
    F(void, glGetFloatv, (GLenum pname, GLfloat *params), (pname, params)) \
    F(void, glGetIntegerv, (GLenum pname, GLint *params), (pname, params)) \
    F(const GLubyte *, glGetString, (GLenum name), (name)) \
    F(void, glGetTexLevelParameteriv, (GLenum target, GLint level, GLenum pname, GLint *params), (target, level, pname, params)) \
    F(void, glLightfv, (GLenum light, GLenum pname, const GLfloat *params), (light, pname, params)) \
    F(void, glLineWidth, (GLfloat width), (width)) \
    F(void, glLoadIdentity, (void), ()) \
    F(void, glLoadMatrixf, (const GLfloat *m), (m)) \
    F(void, glMap1f, (GLenum target, GLfloat u1, GLfloat u2, GLint stride, GLint order, const GLfloat *points), (target, u1, u2, stride, order, points)) \
    F(void, glMap2f, (GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1, GLfloat v2, GLint vstride, GLint vorder, const GLfloat *points), (target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points)) \
    F(void, glMapGrid1f, (GLint un, GLfloat u1, GLfloat u2), (un, u1, u2)) \
    F(void, glMapGrid2d, (GLint un, GLdouble u1, GLdouble u2, GLint vn, GLdouble v1, GLdouble v2), (un, u1, u2, vn, v1, v2)) \
    F(void, glMapGrid2f, (GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2), (un, u1, u2, vn, v1, v2)) \
    F(void, glMaterialf, (GLenum face, GLenum pname, GLfloat param), (face, pname, param)) \
    F(void, glMaterialfv, (GLenum face, GLenum pname, const GLfloat *params), (face, pname, params)) \
    F(void, glMatrixMode, (GLenum mode), (mode)) \
    F(void, glMultMatrixd, (const GLdouble *m), (m)) \
    F(void, glMultMatrixf, (const GLfloat *m), (m)) \
    F(void, glNewList, (GLuint list, GLenum mode), (list, mode)) \
    F(void, glNormal3d, (GLdouble nx, GLdouble ny, GLdouble nz), (nx, ny, nz)) \
    F(void, glNormal3f, (GLfloat nx, GLfloat ny, GLfloat nz), (nx, ny, nz)) \
    F(void, glNormal3fv, (const GLfloat *v), (v)) \
    F(void, glOrtho, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_val, GLdouble far_val), (left, right, bottom, top, near_val, far_val)) \
    F(void, glPixelStorei, (GLenum pname, GLint param), (pname, param)) \
    F(void, glPolygonMode, (GLenum face, GLenum mode), (face, mode)) \
    F(void, glPopAttrib, (void), ()) \
    F(void, glPopClientAttrib, (void), ()) \
    F(void, glPopMatrix, (void), ()) \
    F(void, glPushAttrib, (GLbitfield mask), (mask)) \
    F(void, glPushClientAttrib, (GLbitfield mask), (mask)) \
    F(void, glPushMatrix, (void), ()) \
    F(void, glRasterPos2f, (GLfloat x, GLfloat y), (x, y)) \
    F(void, glReadBuffer, (GLenum mode), (mode)) \
    F(void, glReadPixels, (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels), (x, y, width, height, format, type, pixels)) \
    F(void, glRectf, (GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2), (x1, y1, x2, y2)) \
    F(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z)) \
    F(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    F(void, glScissor, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height)) \
    F(void, glShadeModel, (GLenum mode), (mode)) \
    F(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t)) \
    F(void, glTexCoord2fv, (const GLfloat *v), (v)) \
    F(void, glTexCoordPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    F(void, glTexEnvf, (GLenum target, GLenum pname, GLfloat param), (target, pname, param)) \
    F(void, glTexEnvi, (GLenum target, GLenum pname, GLint param), (target, pname, param)) \
    F(void, glTexGeni, (GLenum coord, GLenum pname, GLint param), (coord, pname, param)) \
    F(void, glTexImage1D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, border, format, type, pixels)) \
    F(void, glTexImage2D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, height, border, format, type, pixels)) \
    F(void, glTexImage3D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLsizei depth, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, height, depth, border, format, type, pixels)) \
    F(void, glTexParameterf, (GLenum target, GLenum pname, GLfloat param), (target, pname, param)) \
    F(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param)) \
    F(void, glTexSubImage2D, (GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid *pixels), (target, level, xoffset, yoffset, width, height, format, type, pixels)) \
    F(void, glTranslated, (GLdouble x, GLdouble y, GLdouble z), (x, y, z)) \
    F(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    F(void, glVertex2f, (GLfloat x, GLfloat y), (x, y)) \
    F(void, glVertex2fv, (const GLfloat *v), (v)) \
    F(void, glVertex3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z)) \
    F(void, glVertex3dv, (const GLdouble *v), (v)) \
    F(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    F(void, glVertex3fv, (const GLfloat *v), (v)) \
    F(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    F(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))
