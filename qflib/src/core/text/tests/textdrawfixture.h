// Shared set-up of the drawing tests: the generated default font as "fonts/default.mvec", a font
// cache of the test's own, and helpers that read pixels.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/assetmanager.h"
#include "foundation/file.h"
#include "render/texture.h"
#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "text/textgraphic.h"
#include "textfixtures.h"

namespace texttest
{

// The paragraph the drawing tests show: every style the markup has.
inline const char* StyledParagraph()
{
    return "<center><font size='22' color='ffcc00'>Styled <b>text</b></font></center>"
           "Plain, <i>italic</i>, <u>underlined</u> and <b>bold</b>.<br>"
           "<outline color='3366ff' size='2'>Outlined</outline> <a id='go' color='00ff00'>a link</a>"
           "<tab pos='220'><font color='ff000080'>half red</font>\n"
           "<right>Right <cursor>edge</right>";
}

class TextDrawBase
{
protected:
    void SetUpFonts()
    {
        mDefault = ReadFile(GeneratedFont("default.mvec"));
        ASSERT_FALSE(mDefault.empty());
        TFile::AddMemoryFile("fonts/default.mvec", mDefault.data(), unsigned(mDefault.size()));
        TFontData::SetInstance(&mFonts);
        TAssetManager::SetInstance(&mAssets);
    }
    void TearDownFonts()
    {
        TQfMiniVecDraw::DeleteInstance();
        TFontData::SetInstance(nullptr);
        TAssetManager::SetInstance(nullptr);
        TFile::AddMemoryFile("fonts/default.mvec", nullptr, 0);
    }

    // An opaque texture filled with one colour.
    static std::shared_ptr<TTexture> FilledTexture(unsigned w, unsigned h, TColor32 colour)
    {
        std::shared_ptr<TTexture> t = TTexture::Create(w, h, true);
        TColor32* px = nullptr;
        unsigned pitch = 0;
        if (!t || !t->Lock(&px, &pitch))
            return nullptr;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x)
                px[size_t(y) * pitch + x] = colour;
        t->Unlock();
        return t;
    }
    // The image rectangle of a texture, row by row.
    static std::vector<TColor32> Pixels(const std::shared_ptr<TTexture>& t)
    {
        std::vector<TColor32> out;
        TColor32* px = nullptr;
        unsigned pitch = 0;
        if (!t->Lock(&px, &pitch))
            return out;
        for (unsigned y = 0; y < t->GetHeight(); ++y)
            for (unsigned x = 0; x < t->GetWidth(); ++x)
                out.push_back(px[size_t(y) * pitch + x]);
        t->Unlock();
        return out;
    }

    std::vector<uint8_t> mDefault;
    TFontData mFonts;
    TAssetManager mAssets;
};

}  // namespace texttest
