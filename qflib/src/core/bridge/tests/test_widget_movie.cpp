// The movie host over a fake presenter: the loader movie, file URLs, the temporary files (private,
// unique, removed at teardown), the page text, end detection, the strings file, resource copies,
// and the default presenter of this platform, with which no movie starts.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/platformdata.h"
#include "test_widget_fixture.h"

namespace wtest
{
namespace
{

struct FakePresenter : IMoviePresenter
{
    static inline FakePresenter* last = nullptr;
    static inline bool showResult = true;
    FakePresenter() { last = this; }
    ~FakePresenter() override
    {
        if (last == this)
            last = nullptr;
    }
    bool Show() override
    {
        shows++;
        return showResult;
    }
    void LoadPage(const str& html, const str& base) override
    {
        page = html.c_str();
        baseUrl = base.c_str();
        location = "about:page";
    }
    str EvalLocation() override { return str(location.c_str()); }
    void Update() override { updates++; }
    void Hide() override { hides++; }
    int shows = 0, updates = 0, hides = 0;
    std::string page, baseUrl, location;
};

IMoviePresenter* MakeFake()
{
    return new FakePresenter();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class MovieTest : public WidgetTest
{
protected:
    std::vector<std::pair<std::string, std::string>> AssetFiles() const override
    {
        auto files = WidgetTest::AssetFiles();
        files.push_back({"movie.swf", "FWS movie bytes"});
        files.push_back({"intro.swf", "FWS intro"});
        files.push_back(
            {"strings.xml",
             "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n"
             "<Row><Cell><Data>FLASH_intro</Data></Cell><Cell><Data>Intro text</Data></Cell></Row>\n"
             "<Row><Cell><Data>PLAIN</Data></Cell><Cell><Data>Not for movies</Data></Cell></Row>\n"
             "</Table></Worksheet></Workbook>\n"});
        return files;
    }
    void SetUp() override
    {
        WidgetTest::SetUp();
        if (HasFatalFailure())
            return;
        const char* old = getenv("TMPDIR");
        savedTmp = old ? old : "";
        hadTmp = old != nullptr;
        tmp = root + "/tmp";
        std::filesystem::create_directories(tmp);
        setenv("TMPDIR", tmp.c_str(), 1);
        FakePresenter::showResult = true;
        SetMoviePresenterFactory(&MakeFake);
    }
    void TearDown() override
    {
        if (hadTmp)
            setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            unsetenv("TMPDIR");
        WidgetTest::TearDown();
    }
    size_t TempFiles() const
    {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(tmp))
        {
            (void)e;
            n++;
        }
        return n;
    }
    std::string tmp, savedTmp;
    bool hadTmp = false;
};

TEST(MovieFiles, TheLoaderMovieHasItsLengthRateAndFrames)
{
    const std::vector<unsigned char>& m = LoaderMovieBytes();
    ASSERT_EQ(m.size(), 1498u);
    EXPECT_EQ(std::string(m.begin(), m.begin() + 3), "FWS");
    EXPECT_EQ(m[3], 6);
    EXPECT_EQ(m[4] | m[5] << 8 | m[6] << 16 | m[7] << 24, 1498);
    EXPECT_EQ(m[18], 30);
    EXPECT_EQ(m[19] | m[20] << 8, 3);
    EXPECT_EQ(std::strlen(kMovieEndPage), 65u);
}

TEST(MovieFiles, FileUrlsEscapeEverythingButPlainCharacters)
{
    struct Case
    {
        const char* path;
        const char* url;
    } cases[] = {
        {"/tmp/my movie+1.swf", "file:///tmp/my%20movie%2B1.swf"},
        {"/a/%#?&\"'.swf", "file:///a/%25%23%3F%26%22%27.swf"},
        {"/x/A-z_0.9~", "file:///x/A-z_0.9~"},
        {"/\xC3\xA9", "file:///%C3%A9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(AsFileURL(str(c.path)).c_str()), c.url);
}

TEST_F(MovieTest, StartWritesPrivateFilesAndLoadsThePage)
{
    gbFlashPlaying = false;
    auto* host = new TFlashHost("movie.swf");
    ASSERT_TRUE(host->IsLoaded());
    FakePresenter* fake = FakePresenter::last;
    ASSERT_NE(fake, nullptr);
    EXPECT_EQ(fake->shows, 1);
    EXPECT_TRUE(gbFlashPlaying);
    ASSERT_TRUE(host->Start(false, false, false));
    EXPECT_TRUE(TFlashHost::IsMovieFlagSet());
    TFlashHostData* d = host->GetData();
    const std::string movieUrl = "file://" + root + "/res/assets/movie.swf";
    EXPECT_EQ(std::string(d->mMovieURL.c_str()), movieUrl);
    EXPECT_EQ(fake->baseUrl, movieUrl);
    EXPECT_EQ(std::string(d->mPageURL.c_str()), "about:page");

    const std::string expected =
        "<html><body style=\"margin: 0px\" bgcolor='#000000'><object name=\"flash\" data=\"" +
        std::string(AsFileURL(d->mLoaderPath).c_str()) +
        "\" border=\"0\" width=\"640\" height=\"480\" loop=\"false\" ><PARAM NAME=\"flashvars\" "
        "VALUE=\"strings=" +
        std::string(AsFileURL(d->mStringsPath).c_str()) + "&swf=" + movieUrl +
        "&endurl=" + std::string(AsFileURL(d->mEndPagePath).c_str()) + "\"></object></body></html>";
    EXPECT_EQ(fake->page, expected);

    for (const str* path : {&d->mLoaderPath, &d->mStringsPath, &d->mEndPagePath})
    {
        struct stat st;
        ASSERT_EQ(stat(path->c_str(), &st), 0) << path->c_str();
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(std::string(path->c_str()).rfind(tmp, 0), 0u) << "made in $TMPDIR";
    }
    const std::string loader = ReadFile(d->mLoaderPath.c_str());
    EXPECT_EQ(loader, std::string(LoaderMovieBytes().begin(), LoaderMovieBytes().end()));
    EXPECT_EQ(ReadFile(d->mStringsPath.c_str()), "") << "no strings asked for";
    EXPECT_EQ(ReadFile(d->mEndPagePath.c_str()), kMovieEndPage);

    // Playing until the page shows the end page (and is not the browser's own data page).
    EXPECT_TRUE(host->IsPlaying());
    fake->location = std::string(AsFileURL(d->mEndPagePath).c_str());
    // The URL form escapes nothing in these paths, so the path is part of it.
    EXPECT_FALSE(host->IsPlaying());
    fake->location = "applewebdata://x" + std::string(d->mEndPagePath.c_str());
    EXPECT_TRUE(host->IsPlaying());
    EXPECT_GE(fake->updates, 2);

    // Stop only clears the movie flag; the window and the files stay until the host goes.
    host->Stop();
    EXPECT_FALSE(TFlashHost::IsMovieFlagSet());
    EXPECT_EQ(TempFiles(), 3u);
    EXPECT_EQ(fake->hides, 0);
    const std::string loaderPath = d->mLoaderPath.c_str();
    delete host;
    EXPECT_FALSE(Exists(loaderPath));
    EXPECT_EQ(TempFiles(), 0u);
    EXPECT_FALSE(gbFlashPlaying);
}

TEST_F(MovieTest, TheEndIsSeenWhateverTheTemporaryFolderIsCalled)
{
    const char* folders[] = {"with blank", "plus+sign", "per%cent", "caf\xC3\xA9", "all of +%\xE2\x82\xAC"};
    for (const char* folder : folders)
    {
        const std::string dir = tmp + "/" + folder;
        std::filesystem::create_directories(dir);
        setenv("TMPDIR", dir.c_str(), 1);
        auto host = std::make_unique<TFlashHost>("movie.swf");
        ASSERT_TRUE(host->IsLoaded()) << folder;
        ASSERT_TRUE(host->Start(false, false, false)) << folder;
        FakePresenter* fake = FakePresenter::last;
        ASSERT_NE(fake, nullptr);
        TFlashHostData* d = host->GetData();
        ASSERT_EQ(std::string(d->mEndPagePath.c_str()).rfind(dir, 0), 0u) << folder;
        EXPECT_TRUE(host->IsPlaying()) << folder;
        fake->location = std::string(AsFileURL(d->mEndPagePath).c_str());
        EXPECT_FALSE(host->IsPlaying()) << folder;
        fake->location = std::string(d->mEndPagePath.c_str());
        EXPECT_FALSE(host->IsPlaying()) << folder << " (bare path)";
        fake->location = "applewebdata://x" + std::string(AsFileURL(d->mEndPagePath).c_str());
        EXPECT_TRUE(host->IsPlaying()) << folder;
        host->Stop();
    }
    setenv("TMPDIR", tmp.c_str(), 1);
}

TEST_F(MovieTest, IntroAndOutroLoadersRunAtTwelveFrames)
{
    TFlashHost intro("intro.swf");
    ASSERT_TRUE(intro.Start(true, false, false));
    const std::string loader = ReadFile(intro.GetData()->mLoaderPath.c_str());
    ASSERT_EQ(loader.size(), 1498u);
    EXPECT_EQ(loader[18], 12);
    EXPECT_NE(FakePresenter::last->page.find("loop=\"true\""), std::string::npos);
    TFlashHost other("movie.swf");
    ASSERT_TRUE(other.Start(false, false, false));
    EXPECT_EQ(ReadFile(other.GetData()->mLoaderPath.c_str())[18], 30);
    EXPECT_NE(intro.GetData()->mLoaderPath, other.GetData()->mLoaderPath) << "unique names";
}

TEST_F(MovieTest, TheStringsFileCarriesTheMovieLabels)
{
    TFlashHost host("movie.swf");
    ASSERT_TRUE(host.Start(false, true, false));
    EXPECT_EQ(ReadFile(host.GetData()->mStringsPath.c_str()), "intro@@~~@@~~Intro text@@~~@@~~");
}

TEST_F(MovieTest, AMovieThatIsOnlyAResourceIsCopiedAndRemoved)
{
    static char bytes[] = "FWS packed movie";
    TFile::AddMemoryFile("packed.swf", bytes, sizeof bytes - 1);
    {
        TFlashHost host("packed.swf");
        ASSERT_TRUE(host.IsLoaded());
        const std::string copy = host.GetData()->mResourceCopyPath.c_str();
        ASSERT_FALSE(copy.empty());
        EXPECT_EQ(ReadFile(copy), std::string(bytes));
        EXPECT_EQ(std::string(host.GetData()->mMovieURL.c_str()),
                  std::string(AsFileURL(str(copy.c_str())).c_str()));
    }
    EXPECT_EQ(TempFiles(), 0u);
    TFile::AddMemoryFile("packed.swf", nullptr, 0);
}

TEST_F(MovieTest, MissingMoviesAndRefusingPresentersLeaveTheHostInert)
{
    TFlashHost missing("nothere.swf");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_FALSE(missing.Start(false, false, false));
    EXPECT_FALSE(missing.IsPlaying());
    FakePresenter::showResult = false;
    gbFlashPlaying = false;
    TFlashHost refused("movie.swf");
    EXPECT_FALSE(refused.IsLoaded());
    EXPECT_FALSE(gbFlashPlaying);
    EXPECT_EQ(TempFiles(), 0u);
}

TEST_F(MovieTest, ScriptsStartStopAndPollMovies)
{
    ASSERT_TRUE(Run("a = StartMovie('movie.swf', false, false) b = IsMoviePlaying()"));
    EXPECT_EQ(G("a"), "true");
    EXPECT_EQ(G("b"), "true");
    EXPECT_EQ(TempFiles(), 3u);
    ASSERT_TRUE(Run("StopMovie() c = IsMoviePlaying()"));
    EXPECT_EQ(G("c"), "false");
    EXPECT_EQ(TempFiles(), 0u);
}

TEST_F(MovieTest, WithTheDefaultPresenterNoMovieStarts)
{
    SetMoviePresenterFactory(nullptr);
    gbFlashPlaying = false;
    ASSERT_TRUE(Run("a = StartMovie('movie.swf', false, false) b = StartMovie('movie.swf', true, true)"
                    " c = IsMoviePlaying()"));
    EXPECT_EQ(G("a"), "false");
    EXPECT_EQ(G("b"), "false");
    EXPECT_EQ(G("c"), "false");
    EXPECT_FALSE(gbFlashPlaying);
    EXPECT_EQ(TempFiles(), 0u);
    EXPECT_LE(dbg.Count("No movie presenter on this platform"), 1);
}

TEST_F(MovieTest, ASplashWithoutAMoviePlayerShowsItsPictureForItsTime)
{
    SetMoviePresenterFactory(nullptr);
    ASSERT_TRUE(Run("return function() DisplaySplash('movie.swf', 'pic.png', 300) gSplashDone = 1 end"));
    bool sawPicture = false;
    for (int i = 0; i < 200 && G("gSplashDone") != "1"; i++)
    {
        backend->AdvanceMs(10);
        Pump();
        TWindow* top = manager->GetTopModalWindow();
        TWindow* picture = top ? top->GetChildWindow(str("splashimage"), -1) : nullptr;
        if (picture && picture->IsKindOf(TImage::ClassId()) && static_cast<TImage*>(picture)->HasTexture())
            sawPicture = true;
    }
    EXPECT_TRUE(sawPicture);
    EXPECT_EQ(G("gSplashDone"), "1");
    EXPECT_EQ(manager->GetTopModalWindow(), dialog) << "the splash layer is gone";
    EXPECT_EQ(TempFiles(), 0u);
}

}  // namespace
}  // namespace wtest
