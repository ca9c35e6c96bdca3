// The client's features, each the handler of one window event. Every one
// runs on the window thread; none returns a result or reports a failure
// other than through ShowMessage.
#pragma once

#include "text.h"
#include "window_def.h"

// Version check and feedback page (version_check_win.cpp).
void CheckVersion();
void OpenFeedbackPage();

// Template selection and the preview window (preview_win.cpp).
void SelectTemplate();
void ShowPreview();
void LockPreview();

// Generation and the result window (generation_win.cpp).
void StartGeneration();
void RequestPicture();
void ShowPicture();
void PopUpGenerateMenu(const Event& press);
void CheckResultPage();

// Saving the picture (saving_win.cpp).
void SavePicture();
