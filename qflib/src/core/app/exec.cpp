// QuillfireExec: the framework's entry, from the platform object to the game's Main and back.
#include <cstdio>
#include <exception>

#include "app/backend.h"
#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"

namespace
{

// The arguments after the program name, each followed by one blank.
str JoinCommandLine(int argc, char** argv)
{
    str line;
    for (int i = 1; i < argc && argv; ++i)
    {
        if (!argv[i])
            continue;
        line += str(argv[i]);
        line += ' ';
    }
    return line;
}

}  // namespace

int QuillfireExec(int argc, char** argv, TQuillfireMain main, bool unused)
{
    const TBackendFactory makeBackend = GetPlatformBackendFactory();
    if (!makeBackend)
    {
        std::fprintf(stderr, "Start-up failed: no platform backend registered\n");
        return 1;
    }
    try
    {
        // The platform object, with the game's entry and the command line stored before the
        // facade reads the command-line switches from it; then the facade, the renderer and the
        // text layer.
        TPlatformData* data = new TPlatformData(makeBackend(), argc, argv, unused);
        data->SetMain(main);
        data->SetCommandLine(JoinCommandLine(argc, argv));
        TPlatform* platform = new TPlatform(data);
        TPlatformHooks::Render().EnsureRenderer();
        TPlatformHooks::Text().CreateSingletons();

        // Display rebuild; no window exists yet, so the system cursor is left alone.
        TPlatformHooks::Render().RebuildDisplay();

        // Text input through the Unicode handler when asked for.
        const bool pellory = !TPlatform::GetConfig(str("PelloryUnicode")).empty();
        const bool qfUnicode = TPlatform::GetConfig(str(TPlatform::kUTF8Mode)).to_int() != 0;
        if (pellory || qfUnicode)
            data->SetUnicodeModes(pellory, qfUnicode);

        // The application window, then sound.
        platform->CreateApplicationWindow();
        platform->InitSound();

        // The game runs inside Main; when it returns the loop is over.
        if (main)
            main(platform, data->GetCommandLine().c_str());

        // Shut-down: the facade tears the framework down.
        delete platform;
        return 0;
    }
    catch (...)
    {
        fputs("Unhandled exception\n", stderr);
        return 1;
    }
}
