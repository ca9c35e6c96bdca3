// Saving the picture: downloaded again and written under the template's
// title into the program directory.
#include <windows.h>

#include <algorithm>

#include "download_win.h"
#include "exchange_file.h"
#include "handlers.h"
#include "owners_win.h"
#include "picture_file.h"
#include "shell.h"

namespace {

// The file is replaced; the write counts as done once it could be created.
bool WritePictureFile(const Text& path, const Bytes& data) {
  if (path.empty()) return false;
  UniqueKernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < data.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    if (!WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  return true;
}

}  // namespace

void SavePicture() {
  const Text title = ReadExchangeValue(kJobSection, "图片标题");
  // The title comes from the network: one that could name anything but a
  // file directly in the program directory gives no path at all.
  const Text path = PictureFilePath(ProgramDirectory(), title);
  const Bytes data = DownloadBytes(PictureAddress);
  if (WritePictureFile(path, data)) {
    ShowMessage("成功把图片保存在软件根目录，就在软件的存放处。", 64, "保存提示");
  } else {
    ShowMessage("图片保存失败了！请把杀软关闭试试？。", 16, "保存提示");
  }
}
