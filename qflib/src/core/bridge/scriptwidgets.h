// Registers the framework's scripted widgets with the window script: the window types
// "Slider", "Bitmap", "Button", "Text" and "TextEdit", and the movie host behind "StartMovie".
// Call once before the window script is made (before the platform facade).
#pragma once

void InstallScriptedWidgets();
