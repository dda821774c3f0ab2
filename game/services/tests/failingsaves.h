// Saves that fail as on a full disk, for as long as the object lives: every disk write puts
// nothing and sets ENOSPC. It also keeps the debug log of that time, from which the files whose
// saves failed (in order) and the lines that reported them can be read.
#pragma once

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/debug.h"
#include "foundation/file.h"

namespace Game::servicestest
{

class FailingSaves
{
public:
    FailingSaves()
    {
        qfSetDbgSink(
            [this](const char* line)
            {
                // A message may end in a line end of its own.
                std::string text(line);
                while (!text.empty() && text.back() == '\n')
                    text.pop_back();
                log.push_back(text);
            });
        TDiskFileData::SetWriteFunction(
            [](const void*, size_t, FILE*) -> size_t
            {
                errno = ENOSPC;
                return 0;
            });
    }
    ~FailingSaves()
    {
        TDiskFileData::SetWriteFunction(nullptr);
        qfSetDbgSink(TDbgSink());
    }
    FailingSaves(const FailingSaves&) = delete;
    FailingSaves& operator=(const FailingSaves&) = delete;

    // The file names (without folder) whose saves failed, in the order they were tried; the
    // backups kept beside saved files are left out.
    std::vector<std::string> files() const
    {
        const std::string lead = "Could not save file ";
        std::vector<std::string> out;
        for (const std::string& line : log)
        {
            if (line.compare(0, lead.size(), lead) != 0)
                continue;
            std::string path = line.substr(lead.size(), line.rfind(": ") - lead.size());
            std::string name = path.substr(path.find_last_of("/:") + 1);
            if (name.size() < 4 || name.compare(name.size() - 4, 4, ".bak") != 0)
                out.push_back(name);
        }
        return out;
    }
    // The lines that told of a lost save ("The ... could not be saved: <cause>"), in order.
    std::vector<std::string> reports() const
    {
        std::vector<std::string> out;
        for (const std::string& line : log)
            if (line.find("could not be saved") != std::string::npos)
                out.push_back(line);
        return out;
    }

    std::vector<std::string> log;  // without line ends
};

}  // namespace Game::servicestest
