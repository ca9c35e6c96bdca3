// The client's side of the skin engine: its start and end inside the
// client's own, and the hand-over of each window when it is created.
// The skin engine itself comes later; until then the windows keep the
// plain look the builder gives them and these do nothing.
#pragma once

#include <windows.h>

// Before the first window is created.
void StartSkinEngine();
// The exit routine, after the last window has gone.
void StopSkinEngine();
// From each window's created handler.
void ApplySkin(HWND window);
// From the main window's created handler, after ApplySkin.
void SkinGroupBoxes(HWND mainWindow);
