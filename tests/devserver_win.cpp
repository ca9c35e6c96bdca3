#include "devserver_win.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

#include "driver.h"
#include "owners_win.h"

namespace {

constexpr char kPython[] = "/usr/bin/python3";
// A safety bound: a test that dies leaves no server for long.
constexpr int kLifetimeSeconds = 180;

bool HttpGet(const std::string& url, std::string& body, DWORD* status = nullptr) {
  body.clear();
  UniqueInternet root(InternetOpenA("devserver-control", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!root) return false;
  DWORD timeout = 5000;
  InternetSetOptionA(root.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  UniqueInternet request(InternetOpenUrlA(root.get(), url.c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request) return false;
  DWORD code = 0, size = sizeof code;
  HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr);
  if (status) *status = code;
  char block[16384];
  for (DWORD read = 0; InternetReadFile(request.get(), block, sizeof block, &read) && read > 0;)
    body.append(block, read);
  return code == 200;
}

}  // namespace

DevServer::~DevServer() {
  if (!started_) return;
  std::string ignored;
  HttpGet(Url("/_control/quit"), ignored);
  driver::WaitUntil([&] { return !HttpGet(Url("/_control/requests"), ignored); }, 3000);
}

std::string DevServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool DevServer::Start() {
  std::string body;
  if (HttpGet(Url("/_control/quit"), body)) {
    driver::WaitUntil([&] { return !HttpGet(Url("/_control/requests"), body); }, 3000);
  }
  // Wine starts a Unix program given by its absolute path.
  std::string command = std::string(kPython) + " " + KELVANE_DEVSERVER + " --port " +
                        std::to_string(port_) + " --lifetime " + std::to_string(kLifetimeSeconds);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return false;
  }
  UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  started_ = driver::WaitUntil([&] { return HttpGet(Url("/_control/reset"), body); }, 10000);
  return started_;
}

bool DevServer::Set(const std::string& query) {
  std::string body;
  return HttpGet(Url("/_control/set?" + query), body);
}

bool DevServer::Get(const std::string& path, std::string& body) { return HttpGet(Url(path), body); }

std::vector<std::string> DevServer::Requests() {
  std::vector<std::string> requests;
  std::string raw;
  if (!HttpGet(Url("/_control/raw"), raw)) return requests;
  for (size_t at = 0; at < raw.size();) {
    const size_t newline = raw.find('\n', at);
    if (newline == std::string::npos) break;
    const size_t length = std::strtoul(raw.c_str() + at, nullptr, 10);
    requests.push_back(raw.substr(newline + 1, length));
    at = newline + 1 + length;
  }
  return requests;
}
