// The text layer's hooks into the platform.
#include "text/texthooks.h"

#include "app/platform.h"
#include "app/seams.h"
#include "render/renderhost.h"
#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "text/textgraphic.h"

namespace
{

class TPlatformTextHooks : public TTextHooks
{
public:
    void SetLegacyLineWrap() override { TTextGraphic::mLegacyLineWrap = true; }
    void CreateSingletons() override
    {
        TFontData::CreateInstance();
        TQfMiniVecDraw::CreateInstance();
    }
};

void InvalidateScreen()
{
    if (TPlatform* platform = TPlatform::GetInstance())
        TPlatformHooks::Window().InvalidateScreen(platform->GetWindowManager());
}

}  // namespace

void InstallTextHooks()
{
    TPlatformHooks::InstallText(new TPlatformTextHooks());
    SetHudTextDrawer(&qfDrawHudText, &qfFreeHudText);
    TQfMiniVecDraw::SetInvalidateScreenHook(&InvalidateScreen);
}

void UninstallTextHooks()
{
    TPlatformHooks::InstallText(nullptr);
    SetHudTextDrawer(nullptr, nullptr);
    TQfMiniVecDraw::SetInvalidateScreenHook(nullptr);
}
