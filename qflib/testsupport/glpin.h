// Mesa's driver libraries allocate a few configuration strings that they never free, and they
// are unloaded at exit, so LeakSanitizer cannot even name them. Tests that make a real GL
// context link testsupport_gl and call PinGlDriverLibraries() before the context is made (the
// libraries then stay loaded and named). testsupport_gl also carries the matching LeakSanitizer
// suppressions (as in lsan_gl.supp), so nothing has to be set in the environment.
#pragma once

void PinGlDriverLibraries();
