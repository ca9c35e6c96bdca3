// Saving the picture. It needs a download of the picture address; until
// that is there, the menu item does nothing.
#include "handlers.h"

void SavePicture() {}
