// Where the content tests find the game's files: the source assets folder ($QF_SOURCE_DIR/assets/)
// and the built one ($QF_BINARY_DIR/assets/), reading a file whole, and the two records the
// level generator keeps beside the levels: the campaign plan and the autopilot's recorded runs.
// Shared by the content checks and the content play tests.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace contenttest
{

inline std::string SourceAssets()
{
    const char* dir = std::getenv("QF_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/assets/";
}

inline std::string BuiltAssets()
{
    const char* dir = std::getenv("QF_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/assets/";
}

// The file's bytes; false when it cannot be opened.
inline bool ReadFile(const std::filesystem::path& path, std::string* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *out = ss.str();
    return true;
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path)
{
    std::string text;
    ReadFile(path, &text);
    return text;
}

// What the campaign plan (assets/tests/campaign.txt, written by tools/levelgen from its design
// table) says of a level: its world, and the fewest edible things that may be on screen through
// its first 30 s (six, or fewer where scarcity is the level's idea).
struct PlanRow
{
    std::string world;
    int foodFloor = 6;
    int order = 0;  // the line's place in the plan: the order of play
};

inline std::map<std::string, PlanRow> ReadPlan()
{
    std::map<std::string, PlanRow> plan;
    std::istringstream in(ReadText(SourceAssets() + "tests/campaign.txt"));
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        std::string tag, file, key;
        if (!(words >> tag >> file) || tag != "level")
            continue;
        PlanRow row;
        row.order = static_cast<int>(plan.size());
        while (words >> key)
        {
            const size_t eq = key.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string name = key.substr(0, eq), value = key.substr(eq + 1);
            if (name == "world")
                row.world = value;
            else if (name == "food")
                row.foodFloor = std::atoi(value.c_str());
        }
        plan[file] = row;
    }
    return plan;
}

// The recorded runs of each timed level (assets/tests/autopilot_runs.txt, the "runs" lines the
// content play test prints with QF_MEDAL_RUNS set): run i's time in seconds, negative for a run
// that was lost.
inline std::map<std::string, std::vector<double>> ReadRecordedRuns()
{
    std::map<std::string, std::vector<double>> runs;
    std::istringstream in(ReadText(SourceAssets() + "tests/autopilot_runs.txt"));
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        std::string tag, file, t;
        if (!(words >> tag >> file) || tag != "runs")
            continue;
        std::vector<double>& times = runs[file];
        while (words >> t)
            times.push_back(t == "-" ? -1.0 : std::strtod(t.c_str(), nullptr));
    }
    return runs;
}

// The run that is the median of the won runs (the upper middle), or -1 when none was won.
inline int MedianRun(const std::vector<double>& runs)
{
    std::vector<std::pair<double, int>> won;
    for (size_t i = 0; i < runs.size(); ++i)
        if (runs[i] >= 0)
            won.push_back({runs[i], static_cast<int>(i)});
    if (won.empty())
        return -1;
    std::sort(won.begin(), won.end());
    return won[won.size() / 2].second;
}

}  // namespace contenttest
