// Fixture of the level, emitter, play-screen and dialog tests: a platform facade over the fake
// backend (its clock moves only when a test ticks it, so every frame has a fixed time step), a
// renderer on the recording display handler, scratch asset and user folders written before
// the platform starts (so its string table and resource map see them), a seeded C random
// generator, and optionally the GUI manager with the play screen and its dialogs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "headlessplatform.h"
#include "playscreens.h"
#include "foundation/file.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/options.h"
#include "services/profiles.h"
#include "services/soundeffects.h"
#include "specialentities.h"
#include "unitconverter.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_misc.h"
#include "wgui_timer.h"
#include "window/windowhooks.h"

namespace Game::leveltest
{

// Definitions used by the fixtures: the goo (eats anything smaller), a small food kind, a
// predator that eats the goo, and a shot.
inline const char* kEntityDefs =
    "<entitydefs>"
    "<entitydef name=\"greygoo\" groweat=\"true\">"
    "<intersectionshapes><circle posx=\"0\" posy=\"0\" radius=\"0.5\"/></intersectionshapes>"
    "<reaction entitydef=\"default\" condition=\"smaller\" effect=\"eat\"/>"
    "<reaction entitydef=\"greygoo\" condition=\"all\" effect=\"none\"/>"
    "</entitydef>"
    "<entitydef name=\"food\" r=\"0.5\" g=\"0.25\" b=\"1\" effectr=\"1\" effectg=\"0\" effectb=\"0\">"
    "<intersectionshapes><circle posx=\"0\" posy=\"0\" radius=\"0.5\"/></intersectionshapes>"
    "</entitydef>"
    "<entitydef name=\"predator\">"
    "<intersectionshapes><circle posx=\"0\" posy=\"0\" radius=\"0.5\"/></intersectionshapes>"
    "<reaction entitydef=\"default\" condition=\"smaller\" effect=\"eat\"/>"
    "</entitydef>"
    "<entitydef name=\"spit\">"
    "<intersectionshapes><circle posx=\"0\" posy=\"0\" radius=\"0.5\"/></intersectionshapes>"
    "</entitydef>"
    "</entitydefs>";

inline std::string Row(const std::string& key, const std::string& value)
{
    return "<Row><Cell><Data ss:Type=\"String\">" + key +
           "</Data></Cell><Cell><Data "
           "ss:Type=\"String\">" +
           value + "</Data></Cell></Row>";
}

class LevelFixture : public ::testing::Test
{
protected:
    static const unsigned kFrameMs = 20;

    // Files written under assets/ before the platform starts (relative path -> text).
    virtual void AddAssets(std::map<std::string, std::string>& files) { (void)files; }

    void SetUp() override
    {
        std::map<std::string, std::string> files;
        files["graphics/entitydefs.xml"] = kEntityDefs;
        files["strings.xml"] =
            "<Workbook><Worksheet Name=\"strings\"><Table>" + Row("levelname", "Level %1%") +
            Row("levelnamesoil", "Soil %1%") + Row("meters", " m") + Row("millimeters", " mm") +
            Row("centimeters", " cm") + Row("kilometers", " km") + Row("astronomicalunit", " AU") +
            Row("tiptitlekey", "Watch out") + Row("tiptextkey", "Eat the small ones") +
            Row("failureeaten", "You were eaten") + Row("failuretimeout", "Out of time") +
            Row("failurenothingsmaller", "Nothing smaller") + Row("timetaken", "Time taken") +
            Row("timeleft", "Time left") + "</Table></Worksheet></Workbook>";
        AddAssets(files);

        THeadlessOptions options;
        options.prefix = "leveltest";
        options.assetFiles.assign(files.begin(), files.end());
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
        std::filesystem::create_directories(root + "/res/assets/levels");
        WGUI::Timer::instance();
        installSpecialEntityKinds();
        srand(4242);
    }

    void TearDown() override
    {
        playtest::DeletePlaySingletons();
        headless.TearDown();
    }

    void WriteAsset(const std::string& relative, const std::string& text)
    {
        std::filesystem::path p = std::filesystem::path(root) / "res/assets" / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    // A level written after start-up: the resource map is built again so it is found.
    void WriteLevel(const std::string& name, const std::string& text)
    {
        WriteAsset("levels/" + name, text);
        TFile::ScanForResources();
    }

    void Tick(unsigned ms = kFrameMs)
    {
        backend->AdvanceMs(ms);
        WGUI::Timer::instance()->update();
    }

    THeadlessPlatform headless;
    // The headless platform's parts, under the names the tests use.
    std::string& root = headless.folders.root;
    FakeBackend*& backend = headless.backend;
    TPlatformData*& data = headless.data;
    TPlatform*& platform = headless.platform;
    TRecordingDisplayHandler*& handler = headless.handler;
};

}  // namespace Game::leveltest