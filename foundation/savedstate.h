// Saved state: the files the program writes and reads back later (settings, player progress,
// stores of scores and medals, statistics). Every reader and writer of such a file goes through
// the two functions below, so a crash or a damaged file never loses what was saved before:
// - a save replaces the file atomically (file.h) and first keeps the version it replaces, when
//   that version is whole, as NAME.bak;
// - a read checks that the bytes are a whole version of the file. When a file that exists and is
//   not empty is not, its bytes are moved aside as NAME.damaged-YYYYMMDD-HHMMSS (local time; a
//   name already taken gets "-2", "-3"... so nothing is ever overwritten), and a whole NAME.bak
//   takes its place. Each such event leaves a report for the program to show the player.
// Names are file-layer names: "user:..." and "common:..." files, or "::" + a host path.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "foundation/str.h"

// Whether the bytes are a whole version of the file (for XML: TXmlNode::IsWholeDocument).
typedef std::function<bool(const char* data, size_t size)> TSavedStateCheck;

enum eSavedStateOutcome
{
    kSavedStateMissing,   // no file (or an empty one and no usable backup): start fresh
    kSavedStateRead,      // the file was whole
    kSavedStateRestored,  // the file was damaged or empty; its backup was whole and took its place
    kSavedStateLost       // the file was damaged and no backup was whole: start fresh
};

struct TSavedStateRead
{
    eSavedStateOutcome mOutcome = kSavedStateMissing;
    std::string mBytes;        // the whole version read; empty when there is none
    std::string mDamagedCopy;  // host path of the damaged bytes kept aside, or empty
};

// One restored or lost file, for the message the player sees.
struct TSavedStateReport
{
    std::string mFile;         // the file name without its folder, e.g. "profiles.xml"
    bool mRestored = false;    // true: from its backup; false: progress starts fresh
    std::string mDamagedCopy;  // host path of the kept copy, or empty
};

TSavedStateRead ReadSavedState(const str& name, const TSavedStateCheck& isWhole);
// Writes the bytes in place of the file, keeping the replaced version as NAME.bak when it is
// whole (a damaged one is moved aside instead, and the older backup stays). True on success;
// on failure the old file stays and a debug line says so.
bool WriteSavedState(const str& name, const void* data, size_t size, const TSavedStateCheck& isWhole);

// Hands over (and forgets) the reports of the reads so far, in the order they happened.
std::vector<TSavedStateReport> TakeSavedStateReports();

// The host path of a saved-state name, or "" when it names no disk file.
std::string SavedStatePath(const str& name);
// Removes the temporary files of interrupted saves from the user and common folders and from
// the extra folder when one is given; returns how many were removed.
int RemoveInterruptedSaves(const std::string& extraFolder = std::string());

// Makes a rename in the folder that holds path durable: without it a crash soon after a save
// can bring back the old name's contents, or neither.
void SyncFolderOf(const std::string& path);
