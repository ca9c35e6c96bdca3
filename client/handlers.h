// The client's features, each the handler of one window event. Every one
// runs on the window thread; none returns a result or reports a failure
// other than through ShowMessage.
#pragma once

#include "text.h"
#include "window_def.h"

// Version check, updater start and feedback page (version_check_win.cpp).
void CheckVersion();
// The version named by the version page; empty when it cannot be read.
Text FetchVersionText();
// 按钮3: the same check, without touching the catalogue.
void CheckForUpdate();
void OpenFeedbackPage();

// The template catalogue (catalogue_win.cpp).
void LoadCatalogue();

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
