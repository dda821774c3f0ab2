// Image loaders: PNG, JPEG and JPEG 2000 files read through the file layer and delivered in the
// one pixel layout the textures upload unchanged: a square buffer of side S (the smallest power
// of two not less than the larger image dimension; 1 for a 1x1 image), pitch S pixels, 4 bytes
// per pixel in memory order blue, green, red, alpha, the image in the top-left corner.
// Padding outside the image: PNG and JPEG zero bytes; JPEG 2000 the edge pixels repeated.
// Images whose S would exceed 8192 are refused before anything is allocated.
// Every failure is a false result with a null buffer; nothing is written to the debug output.
#pragma once

// Each buffer goes back through the free function of its own loader (all accept null).
bool EzPngLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                    int* hasAlpha);
void EzPngFreeImage(unsigned char* pixels);
// The PNG reader behind EzPngLoadImage: a non-null *pixels is released first.
bool PngLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                  int* hasAlpha);

// Baseline or progressive JPEG, grey or colour (CMYK is refused). A stream cut short ends with
// the rows decoded so far; a corrupt or empty one is a failed load.
bool EzJpegLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride);
void EzJpegFreeImage(unsigned char* pixels);

// JPEG 2000: a "jp2" file (signature box) or a raw "jpc" codestream, chosen by content.
// Colour (sRGB) or grey, any precision, optional alpha component; sYCC, e-YCC and CMYK fail.
bool EzJp2LoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                    int* hasAlpha);
void EzJp2FreeImage(unsigned char* pixels);
