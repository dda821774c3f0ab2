// Debug output: one line per call on standard error.
#pragma once

#include <functional>

// printf-style; any length. Each line (text and line end) is written with one call, so lines
// from two threads stay whole.
void WriteDbg(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ResetDbg(const char* name);

// Memory statistics of the process in bytes: the memory it holds now (resident set) and the
// most it has held (peak resident set). 0 where the system does not tell.
unsigned long qfGetTotalAllocated();
unsigned long qfGetMaxAllocated();

// Replaces the line writer (for tests); the line comes without its line end. An empty
// function restores standard error.
using TDbgSink = std::function<void(const char* line)>;
void qfSetDbgSink(TDbgSink sink);
