#include "skin_handover.h"

void StartSkinEngine() {}

void StopSkinEngine() {}

void ApplySkin(HWND) {}

void SkinGroupBoxes(HWND) {}
