// Crash safety of every kind of saved state: a child process saves one kind in a loop, each
// save a new version numbered n, and is killed with SIGKILL at a random moment. After every
// kill the file (and its backup) must read completely as one version the child wrote: byte for
// byte what the same writer makes for that number. Temporary files of the interrupted save are
// swept as at start-up, and the next child carries on from what is on disk.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/platform.h"
#include "foundation/file.h"
#include "foundation/savedstate.h"
#include "foundation/xml.h"
#include "online/gamedata.h"
#include "online/hiscores.h"
#include "scratchdir.h"
#include "servicestest.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/options.h"
#include "services/profiles.h"

using namespace Game;

#if defined(__SANITIZE_ADDRESS__)
// Every kill tears down a forked copy of this process: a small quarantine of freed memory
// keeps that copy (and so each fork and kill) cheap.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

namespace
{

const int kKillsPerKind = 36;  // six kinds: 216 kills in all

using Kinds = servicestest::AppleAndBug;

unsigned int gNow = 0;
unsigned int FixedNow()
{
    return gNow;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> List(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* e = readdir(dir))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        closedir(dir);
    }
    return names;
}

// The number after the first occurrence of the marker, or -1.
long NumberAfter(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    if (at == std::string::npos)
        return -1;
    return strtol(text.c_str() + at + marker.size(), nullptr, 10);
}

// One kind of saved state: its file in a folder, how to save version n of it there, and how
// to tell which version some bytes are (-1: none).
struct SavedKind
{
    const char* name;
    const char* file;
    std::function<void(const std::string& folder, long n)> save;
    std::function<long(const std::string& bytes)> version;
};

void UseFolder(const std::string& folder)
{
    servicestest::UseUserDir(folder);
}

std::vector<SavedKind> savedKinds(Kinds& kinds)
{
    std::vector<SavedKind> all;
    all.push_back({"options", "options.xml",
                   [](const std::string& folder, long n)
                   {
                       UseFolder(folder);
                       Options::instance()->setMouseSensitivity(static_cast<double>(n));
                       Options::instance()->writeXML();
                   },
                   [](const std::string& b) { return NumberAfter(b, "sensitivity=\""); }});
    all.push_back({"profiles", "profiles.xml",
                   [](const std::string& folder, long n)
                   {
                       UseFolder(folder);
                       Profiles* p = Profiles::instance();
                       const std::vector<str> names = p->getNames();
                       for (const str& name : names)
                           p->removeProfile(name);
                       p->addProfile("Ann");
                       const str current = str::getFormatted("P%ld", n);
                       p->addProfile(current);
                       p->setActiveProfile(current);
                       p->writeXML();
                   },
                   [](const std::string& b) { return NumberAfter(b, "active=\"P"); }});
    all.push_back({"level progress", "levelprogress.xml",
                   [](const std::string& folder, long n)
                   {
                       UseFolder(folder);
                       Profiles::instance()->setActiveProfile("Ann");
                       LevelProgress* lp = LevelProgress::instance();
                       lp->clear();
                       lp->setActiveProfile();
                       lp->setProgressVars(LevelMode::kCasual, "a.xml", true, static_cast<int>(n));
                       lp->setProgressVars(LevelMode::kTimed, "b.xml", true, static_cast<int>(n) + 1);
                       lp->writeXML();
                   },
                   [](const std::string& b) { return NumberAfter(b, "time=\""); }});
    all.push_back({"eaten totals", "eatenentities.xml",
                   [&kinds](const std::string& folder, long n)
                   {
                       UseFolder(folder);
                       Profiles::instance()->setActiveProfile("Ann");
                       TotalEntitiesEaten totals(&kinds);
                       totals.getActiveProfile()->getEntityNum("apple")->count = static_cast<int>(n);
                       totals.writeXML();
                   },
                   [](const std::string& b)
                   {
                       size_t at = b.find("\"apple\"");
                       return at == std::string::npos ? -1 : NumberAfter(b.substr(at), "num=\"");
                   }});
    all.push_back({"hiscore store", "hiscore.dat",
                   [](const std::string& folder, long n)
                   {
                       UseFolder(folder);
                       TQfHiscores store(true);
                       TQfHiscoresData* d = store.GetData();
                       for (auto& e : d->medalTables)
                           delete e.second;
                       d->medalTables.clear();
                       TQfMedalsTable* medals = new TQfMedalsTable;
                       medals->mMedals.push_back(TQfMedal{str("omnivora_1"), str("gold"), str("timed"),
                                                          str::getFormatted("%ld", n), false});
                       d->medalTables[str("Ann")] = medals;
                       store.SavePreferences();
                   },
                   [](const std::string& b)
                   {
                       TQfHiscores store(false);
                       std::string text;
                       if (!store.DecipherPreferences(reinterpret_cast<const unsigned char*>(b.data()),
                                                      b.size(), &text))
                           return -1L;
                       return NumberAfter(text, "gameData=\"");
                   }});
    all.push_back({"play time", "time.dat",
                   [](const std::string& folder, long n)
                   {
                       TQfGameData::SetTimerSource(FixedNow);
                       gNow = 0;
                       TQfGameData data;
                       data.SetPath(folder);
                       gNow = static_cast<unsigned int>(n);
                       data.SaveElapsedTime();
                   },
                   [](const std::string& b)
                   {
                       if (b.size() != 4)
                           return -1L;
                       const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data());
                       return static_cast<long>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
                   }});
    return all;
}

class CrashSafety : public servicestest::ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        TPlatform::SetConfig(str("encryptionkey"), str("Wmbx0mn1v"));
        TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
        TPlatform::SetConfig(str("version"), str("1.0"));
    }
    void TearDown() override
    {
        if (!mReferenceDir.empty())
            RemoveScratchFolder(mReferenceDir);
        TQfGameData::SetTimerSource(nullptr);
        TakeSavedStateReports();
        ServicesTest::TearDown();
    }

    // The bytes the writer makes for version n, made in a reference folder of this process
    // (in memory when the system has a memory file system: its syncs cost nothing there).
    std::string Reference(const SavedKind& kind, long n)
    {
        const std::string key = std::string(kind.file) + "#" + std::to_string(n);
        auto known = mReferences.find(key);
        if (known != mReferences.end())
            return known->second;
        if (mReferenceDir.empty())
        {
            char shm[] = "/dev/shm/crash_reference_XXXXXX";
            const std::string fallback = mUserDir + "/reference";
            mReferenceDir = mkdtemp(shm) ? std::string(shm) : fallback;
            mkdir(mReferenceDir.c_str(), 0755);
        }
        const std::string ref = mReferenceDir + "/" + kind.file + ".d";
        RemoveScratchFolder(ref);
        mkdir(ref.c_str(), 0755);
        servicestest::DeleteServiceSingletons();
        kind.save(ref, n);
        servicestest::DeleteServiceSingletons();
        return mReferences[key] = ReadBytes(ref + "/" + kind.file);
    }
    std::map<std::string, std::string> mReferences;
    std::string mReferenceDir;

    // Checks one file after a kill: whole, and exactly the writer's bytes of its version.
    long CheckVersion(const SavedKind& kind, const std::string& path, long newest)
    {
        const std::string bytes = ReadBytes(path);
        const long n = kind.version(bytes);
        EXPECT_GE(n, 0) << kind.name << ": " << path << " reads as no version";
        EXPECT_LE(n, newest) << kind.name;
        if (n >= 0)
        {
            EXPECT_EQ(bytes, Reference(kind, n)) << kind.name << ": version " << n;
        }
        return n;
    }
};

}  // namespace

TEST_F(CrashSafety, EverySavedKindSurvivesSigkillAtRandomMoments)
{
    Kinds kinds;
    std::mt19937 random(20261210u);
    int kills = 0, midSave = 0;
    const std::vector<SavedKind> all = savedKinds(kinds);
    for (const SavedKind& kind : all)
    {
        SCOPED_TRACE(kind.name);
        const std::string folder = mUserDir + "/" + kind.file + ".d";
        mkdir(folder.c_str(), 0755);
        const std::string path = folder + "/" + kind.file;
        // Version 0 is on disk before the first child starts.
        servicestest::DeleteServiceSingletons();
        kind.save(folder, 0);
        servicestest::DeleteServiceSingletons();
        long next = 1;
        std::set<long> seen;
        for (int k = 0; k < kKillsPerKind; ++k)
        {
            // The child's first version number, so the versions on disk only grow.
            const long first = next;
            int started[2];
            ASSERT_EQ(pipe(started), 0);
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0)
            {
                close(started[0]);
                servicestest::DeleteServiceSingletons();
                // The first save of a fresh child is slow (its memory is copied as it is
                // touched); the kill comes within the saves after it.
                kind.save(folder, first);
                const char c = 1;
                if (write(started[1], &c, 1) != 1)
                    _exit(1);
                for (long n = first + 1;; ++n)
                    kind.save(folder, n);
            }
            close(started[1]);
            char c;
            ASSERT_EQ(read(started[0], &c, 1), 1);
            close(started[0]);
            // A moment within the next few saves.
            std::this_thread::sleep_for(
                std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
            kill(child, SIGKILL);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            ++kills;

            // The file names the version it holds and must be the writer's bytes of it, no
            // older than the child's first save, which had ended before the kill.
            const long n = CheckVersion(kind, path, first + 1000000);
            EXPECT_GE(n, first);
            seen.insert(n);
            if (Exists(path + ".bak"))
            {
                const long b = CheckVersion(kind, path + ".bak", n);
                EXPECT_LE(b, n);
            }
            for (const std::string& name : List(folder))
                EXPECT_EQ(name.find(".damaged-"), std::string::npos) << name;
            // A save cut short leaves its temporary file; the start-up sweep removes it.
            const int temporaries = TDiskFileData::RemoveStaleTemporaries(folder);
            if (temporaries > 0)
                ++midSave;
            EXPECT_LE(temporaries, 1);
            for (const std::string& name : List(folder))
                EXPECT_EQ(name.find(".save-"), std::string::npos) << name;
            next = std::max(next, n + 1);
        }
        EXPECT_GT(seen.size(), 1u);
    }
    EXPECT_GE(kills, 200);
    const int failures =
        ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    std::printf("[ figures  ] %d kills over %zu kinds of saved state; %d cut a save short "
                "(its temporary file left behind); %d failed checks\n",
                kills, all.size(), midSave, failures);
    RecordProperty("kills", kills);
    RecordProperty("kills_during_a_save", midSave);
}
