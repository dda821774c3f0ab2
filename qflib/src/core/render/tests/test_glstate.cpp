// The OpenGL handler's blend table and 2-D projection bounds, checked without an OpenGL context.
#include <gtest/gtest.h>

#include "render/gl/glheaders.h"
#include "render/gl/glstate.h"

namespace
{

TEST(GLBlendTable, EveryModeOnTheScreenAndInAnAlphaOnlyTarget)
{
    struct Case
    {
        int mode;
        bool alphaOnly;
        bool enabled;
        unsigned source, destination;
    };
    const Case cases[] = {
        {0, false, true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {1, false, false, 0, 0},
        {2, false, true, GL_SRC_ALPHA, GL_ONE},
        {3, false, true, GL_ZERO, GL_ONE_MINUS_SRC_COLOR},
        {4, false, true, GL_ZERO, GL_SRC_COLOR},
        {0, true, true, GL_SRC_ALPHA, GL_ONE},
        {1, true, false, 0, 0},
        {2, true, true, GL_SRC_ALPHA, GL_ONE},
        {3, true, true, GL_ONE, GL_ONE},
        {4, true, true, GL_ZERO, GL_SRC_COLOR},
        // Values outside the enumeration blend as mode 0.
        {-1, false, true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {5, true, true, GL_SRC_ALPHA, GL_ONE},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << (c.alphaOnly ? " alpha-only" : ""));
        const TGLBlend b = GLBlendFor(c.mode, c.alphaOnly);
        EXPECT_EQ(b.enabled, c.enabled);
        if (c.enabled)
        {
            EXPECT_EQ(b.source, c.source);
            EXPECT_EQ(b.destination, c.destination);
        }
    }
}

TEST(GLOrthoBounds, VisiblePartOfTheViewportWithItsOwnOrigin)
{
    struct Case
    {
        const char* what;
        TRect viewport;  // left, top, right, bottom
        int targetWidth, targetHeight;
        bool hasClip;
        TRect clip;
        bool texture;
        bool visible;
        TGLOrtho want;  // left, right, bottom, top
    };
    const Case cases[] = {
        {"whole screen", TRect(0, 0, 320, 240), 320, 240, false, TRect(), false, true, {0, 320, 240, 0}},
        {"partly off the top-left",
         TRect(-50, -50, 150, 150),
         320,
         240,
         false,
         TRect(),
         false,
         true,
         {50, 200, 200, 50}},
        {"partly off the bottom-right",
         TRect(300, 200, 400, 300),
         320,
         240,
         false,
         TRect(),
         false,
         true,
         {0, 20, 40, 0}},
        {"cut by the clip",
         TRect(200, 100, 300, 200),
         320,
         240,
         true,
         TRect(0, 0, 215, 240),
         false,
         true,
         {0, 15, 100, 0}},
        {"clip covering it",
         TRect(10, 20, 110, 70),
         320,
         240,
         true,
         TRect(0, 0, 320, 240),
         false,
         true,
         {0, 100, 50, 0}},
        {"texture target: rows swapped",
         TRect(0, 0, 100, 50),
         256,
         256,
         false,
         TRect(),
         true,
         true,
         {0, 100, 0, 50}},
        {"texture target, off its left",
         TRect(-8, 0, 100, 50),
         256,
         256,
         true,
         TRect(0, 0, 256, 256),
         true,
         true,
         {8, 108, 0, 50}},
        {"beyond the target", TRect(400, 0, 450, 50), 320, 240, false, TRect(), false, false, {}},
        {"empty clip", TRect(0, 0, 320, 240), 320, 240, true, TRect(0, 0, 0, 0), false, false, {}},
        {"clip beside the viewport",
         TRect(0, 0, 100, 100),
         320,
         240,
         true,
         TRect(150, 0, 200, 100),
         false,
         false,
         {}},
        {"extreme edges",
         TRect(-(1 << 29), -(1 << 29), 1 << 29, 1 << 29),
         320,
         240,
         false,
         TRect(),
         false,
         true,
         {static_cast<float>(1 << 29), static_cast<float>((1 << 29) + 320),
          static_cast<float>((1 << 29) + 240), static_cast<float>(1 << 29)}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const TGLOrtho untouched{-7, -7, -7, -7};
        TGLOrtho got = untouched;
        const bool visible = GLOrthoFor(c.viewport.left, c.viewport.top, c.viewport.right - c.viewport.left,
                                        c.viewport.bottom - c.viewport.top, c.targetWidth, c.targetHeight,
                                        c.hasClip ? &c.clip : nullptr, c.texture, &got);
        ASSERT_EQ(visible, c.visible);
        const TGLOrtho& want = c.visible ? c.want : untouched;
        EXPECT_FLOAT_EQ(got.left, want.left);
        EXPECT_FLOAT_EQ(got.right, want.right);
        EXPECT_FLOAT_EQ(got.bottom, want.bottom);
        EXPECT_FLOAT_EQ(got.top, want.top);
    }
}

}  // namespace
