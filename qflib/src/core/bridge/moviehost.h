// TFlashHost: plays a movie in a presenter window laid over the game window. The movie is not
// played directly: the host writes a small loader movie, a strings file and an end page into
// the temporary folder, builds a page that embeds the loader with the movie's URL, the strings
// file's URL and the end page's URL as parameters, loads that page into the presenter, and
// learns that the movie has ended when the page has navigated to the end page.
//
// The presenter is the platform part. This platform has no player for the movie format: the
// default presenter reports that no movie can start, so every host is inert, StartMovie fails
// and splash screens show their still picture. Tests install a fake presenter.
#pragma once

#include <memory>
#include <vector>

#include "bridge/scriptwidget.h"
#include "foundation/str.h"

// The platform window that shows the page.
class IMoviePresenter
{
public:
    virtual ~IMoviePresenter() {}
    // Puts the movie window up over the game window; false when no movie can be shown.
    virtual bool Show() = 0;
    // Loads page text with the base URL.
    virtual void LoadPage(const str& html, const str& baseUrl) = 0;
    // The page's current location ("location.href").
    virtual str EvalLocation() = 0;
    // Each poll while playing: redraw and keep the window in front.
    virtual void Update() = 0;
    // Takes the window down and blanks it.
    virtual void Hide() = 0;
};

typedef IMoviePresenter* (*TMoviePresenterFactory)();
// Null goes back to the default presenter (no movie can start).
void SetMoviePresenterFactory(TMoviePresenterFactory factory);

class TFlashHostData;

class TFlashHost : public TMovieHost
{
public:
    explicit TFlashHost(const char* name);
    ~TFlashHost() override;
    TFlashHost(const TFlashHost&) = delete;
    TFlashHost& operator=(const TFlashHost&) = delete;

    bool Start(bool loop, bool passStrings, bool third) override;
    bool IsPlaying() override;
    void Stop() override;

    bool IsLoaded() const;
    const str& GetName() const { return mName; }
    TFlashHostData* GetData() const { return mData.get(); }

    // The movie flag: set while a started movie plays, cleared by Stop and by teardown.
    static bool IsMovieFlagSet();

private:
    str mName;
    std::unique_ptr<TFlashHostData> mData;
};

class TFlashHostData
{
public:
    explicit TFlashHostData(const char* name);
    ~TFlashHostData();

    bool mLoaded = false;
    bool mLoop = false;
    bool mPassStrings = false;
    bool mThirdFlag = false;
    str mMovieURL;
    str mPageURL;
    str mLoaderPath;
    str mStringsPath;
    str mEndPagePath;
    str mResourceCopyPath;
    str mLastPage;  // the page text handed to the presenter
    std::unique_ptr<IMoviePresenter> mPresenter;

    void CreateTempFiles();
};

// The loader movie: an uncompressed movie of version 6, 1,498 bytes, frame rate 30 (byte 18
// holds its integer part), 3 frames.
const std::vector<unsigned char>& LoaderMovieBytes();
// The end page the loader navigates to (65 bytes).
extern const char kMovieEndPage[];

// The assets folder as a path ending in "/".
str GetAssetsFolder();
// A file URL of the path: every byte outside A-Z a-z 0-9 - . _ ~ and "/" is percent-encoded.
str AsFileURL(const str& path);
// Makes a new private file (mode 0600) in $TMPDIR (else the system's temporary folder) whose
// name ends with the suffix; the open descriptor, or -1 after writing
// "unable to open tmp file <name>" to the error stream.
int GetTempFile(const str& suffix, str* path);
// The URL of the movie: a readable file in the folder, else a resource copied to a temporary
// file (its path stored in *copyPath), else "".
str GetUrlToSwf(const str& folder, const str& name, str* copyPath);

// The movie factory for the window script ("StartMovie").
TMovieHost* MakeFlashHost(const str& file);
