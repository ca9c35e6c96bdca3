// Where a saved picture goes: the program directory, the template title and
// ".gif". The title comes from the network, so it must stay a plain name.
#pragma once

#include "text.h"

// programDirectory + "/" + title + ".gif", or empty when the title could
// name anything but a file directly inside the program directory.
Text PictureFilePath(std::string_view programDirectory, std::string_view title);
