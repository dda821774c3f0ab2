// The built-in cursor image, registered as the memory file "__systemcursor__.png".
#pragma once

extern const unsigned char kSystemCursorPng[];
extern const unsigned int kSystemCursorPngSize;
