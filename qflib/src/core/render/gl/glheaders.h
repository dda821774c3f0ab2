// OpenGL through the compatibility profile, with every entry point declared (the system GL
// library exports them all).
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
