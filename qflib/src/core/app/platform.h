// TPlatform: the one facade through which every subsystem reaches the platform, and the
// configuration map that exists before it. QuillfireExec is the framework's entry.
#pragma once

#include <cstddef>
#include <cstring>
#include <map>

#include "foundation/str.h"
#include "app/event.h"
#include "app/task.h"

class TPlatformData;
class TPlatform;
class TStringTable;
class TSoundManager;
class TWindowManager;
class TXmlNode;

// The game's entry: called once with the facade and the joined command line.
typedef void (*TQuillfireMain)(TPlatform* platform, const char* commandLine);

// Builds the platform, runs the game's Main and tears everything down. The backend comes from
// the factory registered with SetPlatformBackendFactory (backend.h). Returns 0, or 1 when no
// factory is registered or an exception escaped.
int QuillfireExec(int argc, char** argv, TQuillfireMain main, bool unused);

// The order of the configuration's keys: str's own (strcmp's byte order), which also compares
// a key with plain text, so that a look-up by text makes no str of it.
struct TConfigKeyOrder
{
    using is_transparent = void;
    bool operator()(const str& a, const str& b) const { return a < b; }
    bool operator()(const str& a, const char* b) const { return std::strcmp(a.c_str(), b) < 0; }
    bool operator()(const char* a, const str& b) const { return std::strcmp(a, b.c_str()) < 0; }
};

// The configuration map: string keys (case-sensitive, byte order) to string values.
struct TConfig
{
    static std::map<str, str, TConfigKeyOrder>& Map();
};

class TPlatform
{
public:
    enum ECursorMode
    {
        kCursorNormal = 0,    // absolute mouse positions
        kCursorRelative = 1,  // mouse moves carry deltas; the pointer is held in the middle
    };

    // Configuration keys.
    static const char* const kSoftwareTextureCulling;    // "softwaretextureculling"
    static const char* const kKeepOGGUncompressed;       // "keepogguncompressed"
    static const char* const kQFGameHandle;              // "qfgamehandle"
    static const char* const kOverlayWindowMouseEvents;  // "overlaymouse"
    static const char* const kAutoMergeMask;             // "automergemask"
    static const char* const kUTF8Mode;                  // "utf8mode"
    static const char* const kTextGraphicSpriteRender;   // "textspriterender"
    static const char* const kFixButtonMaskScaling;      // "fixbuttonmask"
    static const char* const kHiscoreAnonymous;          // "hiscoreanon"
    static const char* const kHiscoreLocalOnly;          // "hiscorelocal"
    static const char* const kEncryptionKey;             // "encryptionkey"
    static const char* const kGameVersion;               // "version"
    static const char* const kPublisherName;             // "publisher"
    static const char* const kGameName;                  // "gamename"
    static const char* const kPostMetrics;               // "postmetrics"
    static const char* const kGlimmora;                  // "glimmora"
    static const char* const kDownloadURL;               // "downloadurl"

    // Builds the facade over the platform object (which it then owns); see QuillfireExec.
    explicit TPlatform(TPlatformData* data);
    ~TPlatform();
    TPlatform(const TPlatform&) = delete;
    TPlatform& operator=(const TPlatform&) = delete;

    static TPlatform* GetInstance() { return mPlatform; }

    // Configuration; usable before the facade exists. A lookup never inserts.
    static str GetConfig(const str& key, const str& defaultValue = str());
    static void SetConfig(const str& key, const str& value);
    static bool IsEnabled(const str& key);

    // Milliseconds since the platform object was made (0 while there is none), wrapping at 2^32.
    static unsigned int Timer();
    // Registers the framework's built-in memory files (called by every resource scan).
    static void RegisterFiles();
    // Settings documents: the element "settings" holds one child per key, its content the
    // value; each is stored with SetConfig in document order. A missing file, text without
    // that element, or damaged text changes nothing.
    static void ReadSettingsFile(const char* name);
    static void ApplySettingsText(const char* text, size_t length);
    static void ApplySettings(TXmlNode* document);

    // Window and display.
    void SetWindowTitle(const str& title);
    // The picture the window shows as its icon (TPlatformData::SetWindowIcon).
    void SetWindowIcon(const str& resourceName);
    void CreateApplicationWindow();
    bool IsForeground() const;
    bool SetFullscreen(bool fullscreen);
    bool IsFullscreen() const;
    void GetDisplay(unsigned int* width, unsigned int* height, bool* fullscreen) const;
    bool GetDisplayReady() const { return true; }
    // Creates the screen window when needed, sets the display and resets the clipping.
    void SetDisplay(unsigned int width, unsigned int height, bool fullscreen);
    void ShowCursor(bool show);
    void SetCursorMode(ECursorMode mode);
    ECursorMode GetCursorMode() const;

    // Events and tasks.
    void GetEvent(TEvent* event);
    void AdoptTask(TTask* task);
    TTaskList* GetTaskList();
    void AdoptTextureRefreshListener(TTask* task);
    bool OrphanTextureRefreshListener(TTask* task);

    // Services.
    TWindowManager* GetWindowManager() const;
    TStringTable* GetStringTable() const;
    bool InitSound();
    TSoundManager* GetSoundManager() const;
    void OpenBrowser(const char* url);
    void Exit(int code);
    bool StringToClipboard(const str& text);
    str StringFromClipboard();

    TPlatformData* GetData() const { return mData; }

private:
    static TPlatform* mPlatform;
    TTaskList mTextureRefreshListeners;
    TPlatformData* mData = nullptr;
};
