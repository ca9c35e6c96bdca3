#include "picture_request.h"

Text PictureRequestAddress(std::string_view serviceBase, std::string_view pictureId,
                           const Text (&lines)[4]) {
  Text address(serviceBase);
  address.append("/aosbegin.php?id=").append(pictureId);
  for (int i = 0; i < 4; ++i) {
    address.append("&text").append(Decimal(i + 1)).append("=").append(UrlEncode(lines[i], true, true));
  }
  return address.append("&text5=undefined&rnd=");
}

Text PicturePathOf(std::string_view reply) {
  return TextBetween(reply, "<status><outputimg>.", "</outputimg><srcimg>");
}
