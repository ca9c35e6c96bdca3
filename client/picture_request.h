// The rendering service's request address and reply.
#pragma once

#include "text.h"

// base + "/aosbegin.php?id=" + id + "&text1=" ... "&text5=undefined&rnd=";
// the id goes as stored, the lines as percent-encoded UTF-8.
Text PictureRequestAddress(std::string_view serviceBase, std::string_view pictureId,
                           const Text (&lines)[4]);
// The picture's path in a reply, empty when either marker is missing.
Text PicturePathOf(std::string_view reply);
