// Initial GL state and the projection set up on every resize.
#include "core/gl_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace velmora {

void applyInitialGLState()
{
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const GLfloat ambient[] = {0, 0, 0, 1};
    const GLfloat white[] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    const GLfloat noEmission[] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, noEmission);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
}

void applyProjection(int width, int height)
{
    if (height == 0)
        return;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, 0.2, 1300.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void letterbox(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight)
{
    const double windowAspect = static_cast<double>(windowWidth) / windowHeight;
    const double pictureAspect = static_cast<double>(pictureWidth) / pictureHeight;
    int width = windowWidth, height = windowHeight;
    if (windowAspect > pictureAspect)
        width = static_cast<int>(windowHeight * pictureAspect + 0.5);
    else
        height = static_cast<int>(windowWidth / pictureAspect + 0.5);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    applyProjection(width, height);
    glViewport((windowWidth - width) / 2, (windowHeight - height) / 2, width, height);
}

IdentityMatrices::IdentityMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

IdentityMatrices::~IdentityMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace velmora
