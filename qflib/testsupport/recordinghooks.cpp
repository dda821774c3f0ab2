#include "recordinghooks.h"

#include <algorithm>

namespace
{

// Addresses that only stand for a manager; nothing ever dereferences them.
char gWindowManagerToken;
char gSoundManagerToken;

class RecRender : public TRenderHooks
{
public:
    explicit RecRender(RecordingHooks* r) : r(r) {}
    void EnsureRenderer() override { r->log.push_back("EnsureRenderer"); }
    void RebuildDisplay() override { r->log.push_back("RebuildDisplay"); }
    void SetDisplay(unsigned w, unsigned h, bool fs) override
    {
        r->displayWidth = w;
        r->displayHeight = h;
        r->displayFullscreen = fs;
        r->log.push_back("SetDisplay " + std::to_string(w) + "x" + std::to_string(h) +
                         (fs ? " full" : " window"));
    }
    void GetDisplay(unsigned* w, unsigned* h, bool* fs) override
    {
        if (w)
            *w = r->displayWidth;
        if (h)
            *h = r->displayHeight;
        if (fs)
            *fs = r->displayFullscreen;
    }
    void DrawStartupFrame(unsigned w, unsigned h) override
    {
        r->log.push_back("DrawStartupFrame " + std::to_string(w) + "x" + std::to_string(h));
    }
    void LoadSystemCursor() override { r->log.push_back("LoadSystemCursor"); }
    bool LoadPicture(const char* name, std::vector<uint32_t>* pixels, unsigned* w, unsigned* h) override
    {
        r->log.push_back(std::string("LoadPicture ") + name);
        if (r->pictureName.empty() || r->pictureName != name)
            return false;
        *pixels = r->picture;
        *w = r->pictureWidth;
        *h = r->pictureHeight;
        return true;
    }
    void ReplaceClipping(unsigned w, unsigned h) override
    {
        r->log.push_back("ReplaceClipping " + std::to_string(w) + "x" + std::to_string(h));
    }
    void PushDisplayClipping(unsigned w, unsigned h) override
    {
        r->log.push_back("PushDisplayClipping " + std::to_string(w) + "x" + std::to_string(h));
    }
    void CreateRasteriser() override { r->log.push_back("CreateRasteriser"); }
    void DeleteRasteriser() override { r->log.push_back("DeleteRasteriser"); }
    void ToggleHUD() override { r->log.push_back("ToggleHUD"); }
    bool IsCursorLocked() override { return r->cursorLocked; }
    void SetCursor(std::shared_ptr<TTexture>, const TPoint& hot, bool flag) override
    {
        r->log.push_back("SetCursor " + std::to_string(hot.x) + "," + std::to_string(hot.y) +
                         (flag ? " 1" : " 0"));
    }
    void SetGameCursorShown(bool shown) override
    {
        r->log.push_back(shown ? "GameCursor 1" : "GameCursor 0");
    }
    bool BeginDraw(bool) override
    {
        r->log.push_back("BeginDraw");
        return true;
    }
    void EndDraw(bool) override { r->log.push_back("EndDraw"); }
    void ShutDown() override { r->log.push_back("RendererShutDown"); }
    RecordingHooks* r;
};

class RecWindow : public TWindowHooks
{
public:
    explicit RecWindow(RecordingHooks* r) : r(r) {}
    TWindowManager* CreateWindowManager() override
    {
        r->log.push_back("CreateWindowManager");
        return FakeWindowManagerPointer();
    }
    void DeleteWindowManager(TWindowManager*) override { r->log.push_back("DeleteWindowManager"); }
    lua_State* AttachWindowScript(TWindowManager*) override
    {
        r->log.push_back("AttachWindowScript");
        return nullptr;
    }
    void EnableStringTable(TWindowManager*, bool on) override
    {
        r->log.push_back(on ? "EnableStringTable 1" : "EnableStringTable 0");
    }
    void CloseRequested(TWindowManager*) override { r->log.push_back("CloseRequested"); }
    void InvalidateScreen(TWindowManager*) override { r->log.push_back("InvalidateScreen"); }
    unsigned IdleQuietMs(TWindowManager*, unsigned limit) override
    {
        return r->windowIdleQuietMs < limit ? r->windowIdleQuietMs : limit;
    }
    void EnsureScreen(TWindowManager*, unsigned w, unsigned h) override
    {
        r->log.push_back("EnsureScreen " + std::to_string(w) + "x" + std::to_string(h));
    }
    RecordingHooks* r;
};

class RecSound : public TSoundHooks
{
public:
    explicit RecSound(RecordingHooks* r) : r(r) {}
    TSoundManager* CreateSoundManager() override
    {
        r->log.push_back("CreateSoundManager");
        return FakeSoundManagerPointer();
    }
    bool InitSoundManager(TSoundManager*) override
    {
        r->log.push_back("InitSoundManager");
        return r->soundInitResult;
    }
    void DeleteSoundManager(TSoundManager*) override { r->log.push_back("DeleteSoundManager"); }
    void HandleNotifications(TSoundManager*) override { r->log.push_back("HandleNotifications"); }
    void AppActivate(TSoundManager*, bool active) override
    {
        r->log.push_back(active ? "AppActivate 1" : "AppActivate 0");
    }
    void RegisterOggDataSource() override { r->log.push_back("RegisterOggDataSource"); }
    RecordingHooks* r;
};

class RecGameState : public TGameStateHooks
{
public:
    explicit RecGameState(RecordingHooks* r) : r(r) {}
    void CreateStore(lua_State*) override { r->log.push_back("CreateGameStateStore"); }
    void RegisterGlimmoraHandler() override { r->log.push_back("RegisterGlimmoraHandler"); }
    void RegisterPostMetricsHandler() override { r->log.push_back("RegisterPostMetricsHandler"); }
    void PostMetrics() override { r->log.push_back("PostMetrics"); }
    RecordingHooks* r;
};

class RecText : public TTextHooks
{
public:
    explicit RecText(RecordingHooks* r) : r(r) {}
    void SetLegacyLineWrap() override { r->log.push_back("SetLegacyLineWrap"); }
    RecordingHooks* r;
};

}  // namespace

TWindowManager* FakeWindowManagerPointer()
{
    return reinterpret_cast<TWindowManager*>(&gWindowManagerToken);
}
TSoundManager* FakeSoundManagerPointer()
{
    return reinterpret_cast<TSoundManager*>(&gSoundManagerToken);
}

void RecordingHooks::Install()
{
    TPlatformHooks::InstallRender(new RecRender(this));
    TPlatformHooks::InstallWindow(new RecWindow(this));
    TPlatformHooks::InstallSound(new RecSound(this));
    TPlatformHooks::InstallGameState(new RecGameState(this));
    TPlatformHooks::InstallText(new RecText(this));
}

void RecordingHooks::Uninstall()
{
    TPlatformHooks::ResetAll();
}

size_t RecordingHooks::Count(const std::string& line) const
{
    return size_t(std::count(log.begin(), log.end(), line));
}

int RecordingHooks::IndexOf(const std::string& line) const
{
    auto it = std::find(log.begin(), log.end(), line);
    return it == log.end() ? -1 : int(it - log.begin());
}
