// TPlatform: the facade's start-up and tear-down, configuration and pass-throughs to the platform.
#include "app/platform.h"

#include <cstdlib>

#include "app/platformdata.h"
#include "app/seams.h"
#include "app/systemcursor.h"
#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"

#include "foundation/xml.h"
#include "foundation/stringtable.h"

const char* const TPlatform::kSoftwareTextureCulling = "softwaretextureculling";
const char* const TPlatform::kKeepOGGUncompressed = "keepogguncompressed";
const char* const TPlatform::kQFGameHandle = "qfgamehandle";
const char* const TPlatform::kOverlayWindowMouseEvents = "overlaymouse";
const char* const TPlatform::kAutoMergeMask = "automergemask";
const char* const TPlatform::kUTF8Mode = "utf8mode";
const char* const TPlatform::kTextGraphicSpriteRender = "textspriterender";
const char* const TPlatform::kFixButtonMaskScaling = "fixbuttonmask";
const char* const TPlatform::kHiscoreAnonymous = "hiscoreanon";
const char* const TPlatform::kHiscoreLocalOnly = "hiscorelocal";
const char* const TPlatform::kEncryptionKey = "encryptionkey";
const char* const TPlatform::kGameVersion = "version";
const char* const TPlatform::kPublisherName = "publisher";
const char* const TPlatform::kGameName = "gamename";
const char* const TPlatform::kPostMetrics = "postmetrics";
const char* const TPlatform::kGlimmora = "glimmora";
const char* const TPlatform::kDownloadURL = "downloadurl";

TPlatform* TPlatform::mPlatform = nullptr;

// ---------------------------------------------------------------------------------------------
// Configuration

std::map<str, str, TConfigKeyOrder>& TConfig::Map()
{
    static std::map<str, str, TConfigKeyOrder> configMap;
    return configMap;
}

namespace
{

// Found by the key's text: the sprites read "softwaretextureculling" for every draw, and a
// look-up that made a str of the key would allocate each time.
str ReadConfigForFoundation(const char* key)
{
    const std::map<str, str, TConfigKeyOrder>& m = TConfig::Map();
    auto it = m.find(key);
    return it == m.end() ? str() : it->second;
}

// The foundation reads configuration values (the scan's "activex", the cipher key) through
// this reader; it is installed as soon as this file is part of the program.
struct TInstallConfigReader
{
    TInstallConfigReader() { qfSetConfigReader(&ReadConfigForFoundation); }
} gInstallConfigReader;

}  // namespace

str TPlatform::GetConfig(const str& key, const str& defaultValue)
{
    const std::map<str, str, TConfigKeyOrder>& m = TConfig::Map();
    auto it = m.find(key);
    return it == m.end() ? defaultValue : it->second;
}

void TPlatform::SetConfig(const str& key, const str& value)
{
    TConfig::Map()[key] = value;
    // Any value, "0" included, switches the legacy line wrap on.
    if (key == str("legacylinewrap"))
        TPlatformHooks::Text().SetLegacyLineWrap();
}

bool TPlatform::IsEnabled(const str& key)
{
    return GetConfig(key, str()).to_int() != 0;
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

namespace
{

// Three successive values of the C generator folded into one seed word, with 32-bit wrap.
unsigned long SeedWord()
{
    uint32_t a = uint32_t(rand()), b = uint32_t(rand()), c = uint32_t(rand());
    return (unsigned long)(uint32_t(a * (b * 8u) + (c >> 3)));
}

bool StartsWithStringAndIsXml(const str& fileName)
{
    return fileName.length() >= 6 && fileName.substr(0, 6) == str("string") &&
           fileName.find(str(".xml")) != str::npos;
}

}  // namespace

TPlatform::TPlatform(TPlatformData* data)
{
    // The instance is reachable from here on, so code called by this constructor can find it.
    // (The JPEG 2000 decoder in use needs no global start.)
    mPlatform = this;
    qfSetConfigReader(&ReadConfigForFoundation);

    // Memory defaults, readable by scripts.
    SetConfig(str("memorymax"), str("100000000"));
    SetConfig(str("texturememorymax"), str("100000000"));

    // Command-line switches: "-url=" and "--stringtest".
    str commandLine = data ? data->GetCommandLine() : str();
    unsigned int url = commandLine.find(str("-url="));
    if (url != str::npos)
    {
        unsigned int start = url + 5;
        unsigned int end = commandLine.find(' ', 0, start);
        str value =
            end == str::npos ? commandLine.substr(start, -1) : commandLine.substr(start, int(end - start));
        SetConfig(str(kDownloadURL), value);
    }
    if (commandLine.find(str("--stringtest")) != str::npos)
        SetConfig(str("stringtest"), str("1"));

    // The game's own text-input choice, kept before "settings.xml" can change it.
    SetConfig(str("utf8modeinit"), GetConfig(str(kUTF8Mode), str()));

    // Without a platform object the facade holds its configuration only.
    mData = data;
    if (!mData)
        return;

    // Seed the framework's generator from the C generator (seeded by the platform object).
    unsigned long key[4];
    for (unsigned long& word : key)
        word = SeedWord();
    mData->GetRandom().SeedArray(key, 4);

    // Window script, attached to the window manager; the game-state store made last registers
    // its globals in the script's state.
    lua_State* windowScriptState = TPlatformHooks::Window().AttachWindowScript(mData->GetWindowManager());

    // "::assets/settings.xml": one child element per key, its content the value.
    ReadSettingsFile("::assets/settings.xml");

    // Point the file layer at the platform's folders and scan again.
    TFile::SetUserDir(mData->GetUserDir());
    TFile::SetCommonDir(mData->GetCommonDir());
    TFile::SetDesktopDir(mData->GetDesktopDir());
    if (IsEnabled(str(kGlimmora)))
        TFile::mGlimmora = true;
    TFile::ScanForResources();

    // String tables: "strings.xml", then "string*.xml" of the user and common folders
    // (the file name after the prefix decides, not the whole resource key).
    if (TStringTable* table = mData->GetStringTable())
    {
        if (table->LoadStringTable(str("strings.xml")))
            TPlatformHooks::Window().EnableStringTable(mData->GetWindowManager(), true);
        for (const char* prefix : {"user:", "common:"})
        {
            str folder(prefix);
            str current;
            while (TFile::GetNextFile(folder, &current, false))
            {
                str fileName = current.substr(folder.length(), -1);
                if (current.substr(0, folder.length()) == folder && StartsWithStringAndIsXml(fileName))
                    table->MergeStringTable(current);
            }
        }
    }

    // Product name and version.
    str product = mData->GetProductName();
    mData->Init();
    WriteDbg("%s, version %s.", product.c_str(), mData->GetVersion().c_str());
    SetConfig(str(kGameName), product);
    SetConfig(str(kGameVersion), mData->GetVersion());

    // Ogg Vorbis data source.
    TPlatformHooks::Sound().RegisterOggDataSource();

    // The game-state store, then at most one play-statistics handler; glimmora wins.
    TPlatformHooks::GameState().CreateStore(windowScriptState);
    if (IsEnabled(str(kGlimmora)))
        TPlatformHooks::GameState().RegisterGlimmoraHandler();
    else if (IsEnabled(str(kPostMetrics)))
        TPlatformHooks::GameState().RegisterPostMetricsHandler();
}

TPlatform::~TPlatform()
{
    if (mData)
    {
        // The window manager first: its windows may still use what follows.
        if (TWindowManager* manager = mData->GetWindowManager())
        {
            mData->ClearWindowManager();
            TPlatformHooks::Window().DeleteWindowManager(manager);
        }
        // Platform tasks.
        mData->GetTaskList().DestroyAll();
        // Sound manager, rasteriser, renderer.
        if (TSoundManager* sound = mData->GetSoundManager())
        {
            mData->SetSoundManager(nullptr);
            TPlatformHooks::Sound().DeleteSoundManager(sound);
        }
        TPlatformHooks::Render().DeleteRasteriser();
        TPlatformHooks::Render().ShutDown();
    }
    // The game-state store goes while the timer still runs and before the upload reads what
    // its handlers wrote.
    TPlatformHooks::GameState().DestroyStore();
    // The instance goes, then the string table, the asset manager and the platform object.
    mPlatform = nullptr;
    if (mData)
    {
        TPlatformData* data = mData;
        mData = nullptr;
        data->DeleteOwnedServices();
        delete data;
    }
    // Statistics upload, while "qfgamehandle" and "version" are still configured.
    if (IsEnabled(str(kPostMetrics)))
        TPlatformHooks::GameState().PostMetrics();
    TPlatformHooks::GameState().AbortRequests();
    // Configuration, file layer. (No JPEG 2000 decoder state to stop.)
    TConfig::Map().clear();
    TFile::ShutDownFileSystem();
    // The texture-refresh listeners go with the member list after this body.
}

void TPlatform::RegisterFiles()
{
    if (!TFile::Exists(str("__systemcursor__.png")))
    {
        TFile::AddMemoryFile(str("__systemcursor__.png"), const_cast<unsigned char*>(kSystemCursorPng),
                             kSystemCursorPngSize);
    }
}

void TPlatform::ApplySettingsText(const char* text, size_t length)
{
    TXmlNode document;
    document.ParseString(text, length);
    ApplySettings(&document);
}

void TPlatform::ReadSettingsFile(const char* name)
{
    TXmlNode document;
    document.ParseFile(name);
    ApplySettings(&document);
}

void TPlatform::ApplySettings(TXmlNode* document)
{
    // Element "settings": each child's name is a key, its content the value, in document order.
    TXmlNode* settings = document ? document->GetChild("settings") : nullptr;
    if (!settings)
        return;
    settings->ResetChildren();
    str name;
    TXmlNode* child = nullptr;
    while (settings->GetNextChild(&name, &child))
    {
        if (child && !name.empty())
            SetConfig(name, child->GetContent());
    }
}

unsigned int TPlatform::Timer()
{
    return mPlatform && mPlatform->mData ? mPlatform->mData->Timer() : 0;
}

// ---------------------------------------------------------------------------------------------
// Forwarders

void TPlatform::SetWindowTitle(const str& title)
{
    mData->SetWindowTitle(title.c_str());
}
void TPlatform::SetWindowIcon(const str& resourceName)
{
    mData->SetWindowIcon(resourceName.c_str());
}
void TPlatform::CreateApplicationWindow()
{
    mData->CreateApplicationWindow();
}
bool TPlatform::IsForeground() const
{
    return mData->IsForeground();
}
bool TPlatform::SetFullscreen(bool fullscreen)
{
    return mData->SetFullscreen(fullscreen);
}
bool TPlatform::IsFullscreen() const
{
    return mData->IsFullscreen();
}
void TPlatform::GetDisplay(unsigned int* w, unsigned int* h, bool* fs) const
{
    mData->GetDisplay(w, h, fs);
}
void TPlatform::ShowCursor(bool show)
{
    mData->ShowCursor(show);
}
void TPlatform::SetCursorMode(ECursorMode mode)
{
    mData->SetCursorMode(mode);
}
TPlatform::ECursorMode TPlatform::GetCursorMode() const
{
    return mData->GetCursorMode();
}
void TPlatform::GetEvent(TEvent* event)
{
    mData->GetEvent(event);
}
void TPlatform::AdoptTask(TTask* task)
{
    mData->GetTaskList().AdoptTask(task);
}
TTaskList* TPlatform::GetTaskList()
{
    return &mData->GetTaskList();
}
void TPlatform::AdoptTextureRefreshListener(TTask* task)
{
    mTextureRefreshListeners.AdoptTask(task);
}
bool TPlatform::OrphanTextureRefreshListener(TTask* task)
{
    return mTextureRefreshListeners.OrphanTask(task);
}
TWindowManager* TPlatform::GetWindowManager() const
{
    return mData->GetWindowManager();
}
TStringTable* TPlatform::GetStringTable() const
{
    return mData->GetStringTable();
}
TSoundManager* TPlatform::GetSoundManager() const
{
    return mData->GetSoundManager();
}
void TPlatform::OpenBrowser(const char* url)
{
    mData->OpenBrowser(url);
}
void TPlatform::Exit(int code)
{
    mData->Exit(code);
}
bool TPlatform::StringToClipboard(const str& text)
{
    return mData->StringToClipboard(text);
}
str TPlatform::StringFromClipboard()
{
    return mData->StringFromClipboard();
}

bool TPlatform::InitSound()
{
    TSoundManager* manager = mData->GetSoundManager();
    if (!manager)
    {
        manager = TPlatformHooks::Sound().CreateSoundManager();
        mData->SetSoundManager(manager);
    }
    return TPlatformHooks::Sound().InitSoundManager(manager);
}

void TPlatform::SetDisplay(unsigned int width, unsigned int height, bool fullscreen)
{
    TPlatformHooks::Window().EnsureScreen(mData->GetWindowManager(), width, height);
    mData->SetDisplay(width, height, fullscreen);
    TPlatformHooks::Render().PushDisplayClipping(width, height);
}
