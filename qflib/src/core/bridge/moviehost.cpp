// TFlashHost: the movie host and its presenter window.
#include "bridge/moviehost.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <list>
#include <string>

#include "app/platform.h"
#include "app/platformdata.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/stringtable.h"
#include "render/renderer.h"

namespace
{

bool gMovieFlag = false;
TMoviePresenterFactory gPresenterFactory = nullptr;

// No movie player exists on this platform: the window never comes up.
class TNoMoviePresenter : public IMoviePresenter
{
public:
    bool Show() override
    {
        static bool told = false;
        if (!told)
        {
            told = true;
            WriteDbg("No movie presenter on this platform: movies are not played");
        }
        return false;
    }
    void LoadPage(const str&, const str&) override {}
    str EvalLocation() override { return str(""); }
    void Update() override {}
    void Hide() override {}
};

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = write(fd, p, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

// Replaces the first occurrence of `what`.
void ReplaceFirst(str& text, const char* what, const str& with)
{
    const unsigned at = text.find(str(what), 0, 0);
    if (at == unsigned(-1))
        return;
    text = text.substr(0, int(at)) + with + text.substr(at + unsigned(std::strlen(what)));
}

bool Contains(const str& text, const str& part)
{
    return !part.empty() && text.find(part, 0, 0) != unsigned(-1);
}

std::vector<unsigned char> BuildLoaderMovie()
{
    std::vector<unsigned char> m;
    auto u16 = [&m](unsigned v)
    {
        m.push_back(static_cast<unsigned char>(v & 0xFF));
        m.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto u32 = [&m](uint32_t v)
    {
        for (int i = 0; i < 4; i++)
            m.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto tag = [&](unsigned code, const std::vector<unsigned char>& body)
    {
        if (body.size() < 63)
        {
            u16((code << 6) | unsigned(body.size()));
        }
        else
        {
            u16((code << 6) | 0x3F);
            u32(uint32_t(body.size()));
        }
        m.insert(m.end(), body.begin(), body.end());
    };
    auto push = [](std::vector<unsigned char>& a, const char* text)
    {
        // ActionPush of one string.
        const size_t n = std::strlen(text);
        a.push_back(0x96);
        a.push_back(static_cast<unsigned char>((n + 2) & 0xFF));
        a.push_back(static_cast<unsigned char>((n + 2) >> 8));
        a.push_back(0);
        a.insert(a.end(), text, text + n + 1);
    };
    const size_t kSize = 1498;

    m.insert(m.end(), {'F', 'W', 'S', 6});
    u32(uint32_t(kSize));
    // Frame rectangle: 16 bits per field, 0..11000 by 0..8000 twips (550 x 400 pixels); with
    // the 5-bit field count it takes exactly 9 bytes, so the frame rate sits at bytes 17-18.
    {
        const uint32_t fields[4] = {0, 11000, 0, 8000};
        uint64_t bits = 16;
        int count = 5;
        std::vector<unsigned char> rect;
        unsigned long long acc = 0;
        int accBits = 0;
        auto put = [&](uint32_t value, int n)
        {
            for (int i = n - 1; i >= 0; i--)
            {
                acc = (acc << 1) | ((value >> i) & 1);
                if (++accBits == 8)
                {
                    rect.push_back(static_cast<unsigned char>(acc));
                    acc = 0;
                    accBits = 0;
                }
            }
        };
        put(uint32_t(bits), count);
        for (uint32_t f : fields)
            put(f, 16);
        if (accBits)
            put(0, 8 - accBits);
        m.insert(m.end(), rect.begin(), rect.end());
    }
    m.push_back(0);   // frame rate, fraction
    m.push_back(30);  // frame rate, integer part (byte 18)
    u16(3);           // frames

    tag(9, {0, 0, 0});  // black background
    // Frame 1: load the movie named by "swf" into level 1.
    std::vector<unsigned char> a1;
    push(a1, "swf");
    a1.push_back(0x1C);  // get variable
    push(a1, "_level1");
    a1.insert(a1.end(), {0x9A, 1, 0, 0});  // get URL 2
    a1.push_back(0);
    tag(12, a1);
    tag(1, {});
    // Frame 2: level 1 plays.
    tag(1, {});
    // Frame 3: navigate to the end page.
    std::vector<unsigned char> a3;
    push(a3, "endurl");
    a3.push_back(0x1C);
    push(a3, "_self");
    a3.insert(a3.end(), {0x9A, 1, 0, 0});
    a3.push_back(0x07);  // stop
    a3.push_back(0);
    tag(12, a3);
    tag(1, {});
    // Filler the player skips (an unknown tag), then the end tag.
    const size_t filler = kSize - m.size() - 6 - 2;
    tag(1000, std::vector<unsigned char>(filler, 0));
    tag(0, {});
    return m;
}

}  // namespace

const char kMovieEndPage[] = "<html><body style=\"margin: 0px\" bgcolor='#000000'></body></html>\n";

const std::vector<unsigned char>& LoaderMovieBytes()
{
    static const std::vector<unsigned char> bytes = BuildLoaderMovie();
    return bytes;
}

void SetMoviePresenterFactory(TMoviePresenterFactory factory)
{
    gPresenterFactory = factory;
}

str GetAssetsFolder()
{
    const str root = TFile::GetResourcesDir();
    return root.empty() ? str("assets/") : root + str("/assets/");
}

str AsFileURL(const str& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    str url("file://");
    for (const char* p = path.c_str(); *p; p++)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain)
        {
            url += char(c);
        }
        else
        {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

int GetTempFile(const str& suffix, str* path)
{
    const char* dir = getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : P_tmpdir;
    std::string name = folder + "/qfmovieXXXXXX" + suffix.c_str();
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back(0);
    const int fd = mkstemps(buffer.data(), int(suffix.length()));
    if (fd < 0)
    {
        fprintf(stderr, "unable to open tmp file %s\n", buffer.data());
        return -1;
    }
    fchmod(fd, 0600);
    if (path)
        *path = str(buffer.data());
    return fd;
}

str GetUrlToSwf(const str& folder, const str& name, str* copyPath)
{
    const str path = folder + name;
    if (FILE* f = fopen(path.c_str(), "rb"))
    {
        fclose(f);
        return AsFileURL(path);
    }
    if (!TFile::Exists(name))
        return str("");
    TFile file;
    if (!file.Open(name, kFileRead))
        return str("");
    str copy;
    const int fd = GetTempFile(str(".swf"), &copy);
    if (fd < 0)
    {
        file.Close();
        return str("");
    }
    if (copyPath)
        *copyPath = copy;
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    for (;;)
    {
        const unsigned long n = file.Read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (!WriteAll(fd, buffer.data(), n))
        {
            ok = false;
            break;
        }
    }
    close(fd);
    file.Close();
    return ok ? AsFileURL(copy) : str("");
}

// ---------------------------------------------------------------------------------------------
// Host data

TFlashHostData::TFlashHostData(const char* name)
{
    const str movie(name ? name : "");
    mLoaded = !movie.empty() && TFile::Exists(movie);
    if (!mLoaded)
        return;
    mPresenter.reset(gPresenterFactory ? gPresenterFactory() : nullptr);
    if (!mPresenter)
        mPresenter.reset(new TNoMoviePresenter());
    if (!mPresenter->Show())
    {
        mLoaded = false;
        return;
    }
    gbFlashPlaying = true;
    mMovieURL = GetUrlToSwf(GetAssetsFolder(), movie, &mResourceCopyPath);
}

TFlashHostData::~TFlashHostData()
{
    if (!mLoaded)
        return;
    gMovieFlag = false;
    // Both buffers show black before the game window comes back.
    if (TRenderer::HasInstance())
    {
        TRenderer* renderer = TRenderer::GetInstance();
        for (int i = 0; i < 2; i++)
        {
            if (!renderer->BeginDraw(false))
                continue;
            if (renderer->Begin2d())
            {
                TRect viewport;
                renderer->GetViewport(&viewport);
                const uint32_t w =
                    uint32_t(viewport.right > viewport.left ? viewport.right - viewport.left : 0);
                const uint32_t h =
                    uint32_t(viewport.bottom > viewport.top ? viewport.bottom - viewport.top : 0);
                renderer->FillRect(TURect(0, 0, w, h), TColor(0, 0, 0, 1), nullptr);
                renderer->End2d();
            }
            renderer->EndDraw(true);
        }
    }
    if (mPresenter)
        mPresenter->Hide();
    gbFlashPlaying = false;
    for (const str* path : {&mLoaderPath, &mStringsPath, &mEndPagePath, &mResourceCopyPath})
        if (!path->empty())
            unlink(path->c_str());
}

void TFlashHostData::CreateTempFiles()
{
    const std::vector<unsigned char>& loader = LoaderMovieBytes();
    int fd = GetTempFile(str(".swf"), &mLoaderPath);
    if (fd >= 0)
    {
        std::vector<unsigned char> bytes = loader;
        if (Contains(mMovieURL, str("intro.swf")) || Contains(mMovieURL, str("outro.swf")))
            bytes[18] = 12;
        WriteAll(fd, bytes.data(), bytes.size());
        close(fd);
    }

    fd = GetTempFile(str(".txt"), &mStringsPath);
    if (fd >= 0)
    {
        TPlatform* platform = TPlatform::GetInstance();
        TStringTable* table = platform ? platform->GetStringTable() : nullptr;
        if (mPassStrings && table)
        {
            std::list<str> labels;
            table->GetFlashStrings(labels);
            for (const str& label : labels)
            {
                const str text = table->GetString(label);
                const bool ownKey = label.substr(0, 5) == str("flash");
                const str key = ownKey ? label : label.substr(6);
                const str pair = key + str("@@~~@@~~") + text + str("@@~~@@~~");
                WriteAll(fd, pair.c_str(), pair.length());
            }
        }
        close(fd);
    }

    fd = GetTempFile(str(".html"), &mEndPagePath);
    if (fd >= 0)
    {
        WriteAll(fd, kMovieEndPage, std::strlen(kMovieEndPage));
        close(fd);
    }
}

// ---------------------------------------------------------------------------------------------
// Host

TFlashHost::TFlashHost(const char* name) : mName(name ? name : ""), mData(new TFlashHostData(name))
{
}

TFlashHost::~TFlashHost()
{
    mData.reset();
}

bool TFlashHost::IsLoaded() const
{
    return mData && mData->mLoaded;
}

bool TFlashHost::IsMovieFlagSet()
{
    return gMovieFlag;
}

bool TFlashHost::Start(bool loop, bool passStrings, bool third)
{
    if (!IsLoaded())
        return false;
    TFlashHostData& d = *mData;
    d.mLoop = loop;
    d.mPassStrings = passStrings;
    d.mThirdFlag = third;
    d.CreateTempFiles();

    unsigned width = 0, height = 0;
    bool fullscreen = false;
    if (TPlatform* platform = TPlatform::GetInstance())
        platform->GetDisplay(&width, &height, &fullscreen);
    gMovieFlag = true;

    str page("<html><body style=\"margin: 0px\" bgcolor='#000000'><object name=\"flash\" data=\"$filename\" "
             "border=\"0\" width=\"$width\" height=\"$height\" loop=\"$loop\" >");
    page += str("<PARAM NAME=\"flashvars\" VALUE=\"strings=");
    page += AsFileURL(d.mStringsPath);
    page += str("&swf=");
    page += d.mMovieURL;
    page += str("&endurl=");
    page += AsFileURL(d.mEndPagePath);
    page += str("\">");
    page += str("</object></body></html>");
    ReplaceFirst(page, "$filename", AsFileURL(d.mLoaderPath));
    ReplaceFirst(page, "$width", str::getFormatted("%u", width));
    ReplaceFirst(page, "$height", str::getFormatted("%u", height));
    ReplaceFirst(page, "$loop", str(loop ? "true" : "false"));

    d.mLastPage = page;
    d.mPresenter->LoadPage(page, d.mMovieURL);
    d.mPageURL = d.mPresenter->EvalLocation();
    return true;
}

bool TFlashHost::IsPlaying()
{
    if (!IsLoaded())
        return false;
    TFlashHostData& d = *mData;
    const str href = d.mPresenter->EvalLocation();
    // The page names the end page by its file URL, which escapes what the temporary folder's
    // path may hold (blanks, "+", "%", non-ASCII); a presenter may also report the bare path.
    const bool atEnd = Contains(href, AsFileURL(d.mEndPagePath)) || Contains(href, d.mEndPagePath);
    if (atEnd && !Contains(href, str("applewebdata")))
        return false;
    d.mPresenter->Update();
    return true;
}

void TFlashHost::Stop()
{
    if (IsLoaded())
        gMovieFlag = false;
}

TMovieHost* MakeFlashHost(const str& file)
{
    return new TFlashHost(file.c_str());
}
