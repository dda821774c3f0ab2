// How the singletons of the framework and the game come to exist. In a program its start-up (the
// composition root) makes each one in order before anything looks it up, and deletes them in the
// reverse order; nothing is made on first look-up. A look-up of one that was not made is a fault
// in that order, and the accessor reports it instead of carrying on half set up.
//
// Tests that build a single piece without the whole start-up ask for the other behaviour through
// test support: the singleton is then made on its first look-up, as a convenience.
#pragma once

#include <string>
#include <vector>

enum class TSingletonLookUp
{
    kStartUpMakesThem,   // a look-up of one not made: reported, then the program stops
    kMakeOnFirstLookUp,  // tests: made on first look-up
    kRecordAndMake,      // tests checking a start-up: made, and its name recorded
};

// Sets the rule in force (a program keeps the default, kStartUpMakesThem).
void qfSetSingletonLookUp(TSingletonLookUp rule);

// Called by a singleton's accessor when the singleton does not exist: returns when the rule lets
// the accessor make it now; under kStartUpMakesThem writes "<name> was looked up before the
// start-up made it" to the debug output and standard error and aborts.
void qfSingletonNotMade(const char* name);

// The names recorded under kRecordAndMake since the last call; clears the record.
std::vector<std::string> qfTakeSingletonsMadeOnLookUp();

// The order of a start-up or a shut-down, for the tests that check it. While recording is on,
// each singleton's createInstance notes "make <name>" when it makes one, each deleteInstance call
// notes "delete <name>" (whether or not there was one, so a deletion run twice shows), and the
// composition roots note their other steps (saving a file, deleting a screen or a part the GUI
// manager owns) the same way. Off by default: then noting costs one test of a flag.
void qfRecordLifetime(bool on);
void qfNoteLifetime(const char* verb, const char* name);
// The steps noted since the last call, in order; clears the record.
std::vector<std::string> qfTakeLifetimeRecord();
