// Linked into every test, benchmark and fuzz program (never into the game or the tools): tests
// build single pieces without the program's start-up, so here a singleton is made on its first
// look-up. Set before main() runs; a test checking a start-up's order switches the rule itself.
#include "foundation/singletons.h"

namespace
{

struct TMakeOnFirstLookUp
{
    TMakeOnFirstLookUp() { qfSetSingletonLookUp(TSingletonLookUp::kMakeOnFirstLookUp); }
};

const TMakeOnFirstLookUp gMakeOnFirstLookUp;

}  // namespace
