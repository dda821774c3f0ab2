#include "test_fb_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "online/simplehttp.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/options.h"
#include "services/profiles.h"
#include "services/servicelifetime.h"
#include "services/soundeffects.h"
#include "services/soundhelper.h"
#include "window/windowhooks.h"
#include "wgui_manager.h"
#include "wguimain.h"
#include "wgui_misc.h"

using namespace Game;

namespace Game::fbtest
{

void FrontEndTest::SetUp()
{
    // A few texts, so that the tests see filled-in arguments rather than missing-key marks.
    std::string rows;
    const char* const table[][2] = {
        {"gallerytitle", "Eaten: %1%"},
        {"gallerypagenumber", "Page %1% of %2%"},
        {"none", "No page"},
        {"submittingmedals", "Sending"},
        {"medalsubmitfailed", "Refused"},
        {"medalssubmitsuccess", "Sent"},
        {"versionlabel", "Version %1%"},
        {"enduranceamoeba", "Amoeba"},
        {"enduranceocean", "Ocean"},
        {"endurancecluster", "Cluster"},
        {"savednoticetitle", "Saved games"},
        {"savedrestored", "%1% could not be read, so the last good copy was brought back from the backup."},
        {"savedlost", "%1% could not be read and there was no good copy to bring back, so it starts anew. "
                      "The damaged file was kept as %2% in the save folder."},
        {"savedoptions", "Your settings"},
        {"savedlevelprogress", "Your level progress"},
        {"levelloadfailedtitle", "Level not loaded"},
        {"levelloadfailed", "The level %1% could not be loaded."},
    };
    for (const auto& row : table)
        rows += std::string("<Row><Cell><Data>") + row[0] + "</Data></Cell><Cell><Data>" + row[1] +
                "</Data></Cell></Row>\n";
    THeadlessOptions options;
    options.prefix = "fbfront";
    options.displayWidth = 800;
    options.displayHeight = 600;
    options.assetFiles = {{"strings.xml", "<Workbook><Table>\n" + rows + "</Table></Workbook>\n"}};
    ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
    root = headless.folders.root;
    savedCwd = headless.folders.savedCwd;
    handler = headless.handler;
    backend = headless.backend;
    data = headless.data;
    platform = headless.platform;
    std::filesystem::create_directories(root + "/res/assets/graphics");
    TFile::SetUserDir(str((root + "/user").c_str()));
    srand(7);
    qfSetDbgSink([this](const char* line) { debugLines.push_back(line); });

    GameServices::shutDown();
    new WGUI::Manager(800, 600, -1, true, "fb");
    frames(1);
}

void FrontEndTest::TearDown()
{
    WGUI::Window* rootWindow = WGUI::Manager::hasInstance() ? WGUI::Manager::instance()->getRoot() : nullptr;
    for (WGUI::Window* w : screensMade)
    {
        if (rootWindow)
            rootWindow->removeWindow(w);
        WGUI::Manager::instance()->forgetWindow(w);
        delete w;
    }
    screensMade.clear();
    // The totals stand for the play screen's, which goes with the screens in the game.
    totals.reset();
    deleteAllSingletons(access);
    qfSetDbgSink(nullptr);
    // The platform, the renderer, the hooks, the configuration, the file system and the scratch
    // folders, and back to the working folder.
    headless.TearDown();
    platform = nullptr;
    data = nullptr;
    backend = nullptr;
    handler = nullptr;
}

void FrontEndTest::addScreen(WGUI::Window* w)
{
    screensMade.push_back(w);
    WGUI::Manager::instance()->addWindow(w);
}

WGUI::Window* FrontEndTest::stub(const char* name)
{
    WGUI::Window* w = new WGUI::Window();
    w->setName(name);
    w->setVisible(true);
    addScreen(w);
    return w;
}

void FrontEndTest::frames(int n, unsigned ms)
{
    for (int i = 0; i < n; ++i)
    {
        backend->AdvanceMs(ms);
        WGUI::Manager::instance()->update();
        TRenderer::GetInstance()->BeginDraw(false);
        TRenderer::GetInstance()->Begin2d();
        WGUI::Manager::instance()->draw();
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
        THttpData::Pump();
    }
}

void FrontEndTest::writeFile(const std::string& relative, const std::string& bytes)
{
    std::filesystem::path p = std::filesystem::path(root) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string FrontEndTest::readFile(const std::string& relative) const
{
    std::ifstream in(std::filesystem::path(root) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FrontEndTest::fileExists(const std::string& relative) const
{
    return std::filesystem::exists(std::filesystem::path(root) / relative);
}

void FrontEndTest::writeAsset(const std::string& relative, const std::string& bytes)
{
    writeFile("res/assets/" + relative, bytes);
    TFile::ScanForResources();
}

void FrontEndTest::activeProfile(const std::string& name)
{
    Profiles::instance()->addProfile(name.c_str());
    Profiles::instance()->setActiveProfile(name.c_str());
    LevelProgress::instance()->addProfile(name.c_str());
    LevelProgress::instance()->setActiveProfile();
    if (totals)
    {
        totals->addProfile(name.c_str());
        totals->setActiveProfile();
    }
}

void FrontEndTest::grantLevels(LevelMode mode, int n, bool completed, int time)
{
    for (int i = 0; i < n; ++i)
    {
        const str level = str::getFormatted("lvl%d.xml", i);
        if (mode == LevelMode::kTimed)
            MedalTimes::instance()->setLevelTimes(level, 400, 100, 200, 300);
        LevelProgress::instance()->setProgressVars(mode, level, completed, time);
    }
}

TotalEntitiesEaten* FrontEndTest::makeTotals(int n)
{
    for (int i = 0; i < n; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "k%02d", i);
        kinds.kinds.emplace_back(new FakeKind(name, true));
    }
    totals.reset(new TotalEntitiesEaten(&kinds));
    access.totals = totals.get();
    return totals.get();
}

}  // namespace Game::fbtest