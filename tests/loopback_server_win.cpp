#include "loopback_server_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

namespace {

// Winsock stays started for the whole process once a server has run.
bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET ListenOnLoopback(int* port) {
  if (!StartWinsock()) return INVALID_SOCKET;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(s, SOMAXCONN) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  *port = ntohs(address.sin_port);
  return s;
}

// Waits up to 50 ms for s to become readable, so that loops see a stop.
bool Readable(SOCKET s) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{0, 50 * 1000};
  return select(0, &set, nullptr, nullptr, &wait) > 0;
}

bool SendAll(SOCKET s, std::string_view bytes) {
  while (!bytes.empty()) {
    int n = send(s, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Content-Length of a request head; 0 when it names none.
std::size_t ContentLength(std::string_view head) {
  static constexpr std::string_view name = "\r\ncontent-length:";
  for (std::size_t i = 0; i + name.size() <= head.size(); ++i) {
    if (!std::equal(name.begin(), name.end(), head.begin() + i,
                    [](char a, char b) { return a == Fold(b); })) {
      continue;
    }
    std::size_t n = 0;
    for (std::size_t k = i + name.size(); k < head.size(); ++k) {
      if (head[k] >= '0' && head[k] <= '9') {
        n = n * 10 + static_cast<std::size_t>(head[k] - '0');
      } else if (head[k] != ' ') {
        break;
      }
    }
    return n;
  }
  return 0;
}

}  // namespace

std::string Reply(std::string_view statusLine, std::string_view headerLines,
                  std::string_view body) {
  std::string out;
  out.reserve(statusLine.size() + headerLines.size() + body.size() + 64);
  out.append(statusLine).append("\r\n").append(headerLines);
  out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n\r\n");
  return out.append(body);
}

std::string ChunkedReply(std::string_view headerLines, std::string_view body,
                         std::size_t pieceSize) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "HTTP/1.1 200 OK\r\n";
  out.append(headerLines).append("Transfer-Encoding: chunked\r\n\r\n");
  for (std::size_t at = 0; at < body.size(); at += pieceSize) {
    std::size_t n = std::min(pieceSize, body.size() - at);
    std::string size;
    for (std::size_t v = n; v; v >>= 4) size.insert(size.begin(), hex[v & 15]);
    out.append(size).append("\r\n").append(body.substr(at, n)).append("\r\n");
  }
  return out.append("0\r\n\r\n");
}

LoopbackServer::LoopbackServer() {
  SOCKET s = ListenOnLoopback(&port_);
  if (s == INVALID_SOCKET) return;
  listener_ = s;
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  if (acceptor_.joinable()) acceptor_.join();
  // No connection thread starts after the acceptor has ended.
  for (std::thread& t : connections_) t.join();
  if (listener_ != kNoSocket) closesocket(static_cast<SOCKET>(listener_));
}

std::string LoopbackServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackServer::Answer(ScriptedAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  script_.push_back(std::move(answer));
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool LoopbackServer::Stopping() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopping_;
}

bool LoopbackServer::Pause(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

ScriptedAnswer LoopbackServer::NextAnswer() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (script_.empty()) return ScriptedAnswer{Reply("HTTP/1.1 200 OK")};
  ScriptedAnswer a = script_.front();
  if (script_.size() > 1) script_.pop_front();
  return a;
}

void LoopbackServer::Record(std::string request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(std::move(request));
}

void LoopbackServer::AcceptLoop() {
  const SOCKET listener = static_cast<SOCKET>(listener_);
  while (!Stopping()) {
    if (!Readable(listener)) continue;
    SOCKET c = accept(listener, nullptr, nullptr);
    if (c == INVALID_SOCKET) continue;
    connections_.emplace_back([this, c] { Serve(c); });
  }
}

void LoopbackServer::Serve(Socket connection) {
  const SOCKET s = static_cast<SOCKET>(connection);
  std::string pending;
  bool open = true;
  bool silent = false;
  char block[64 * 1024];
  while (open && !Stopping()) {
    // Answer every complete request that has arrived.
    for (std::size_t end; !silent && (end = pending.find("\r\n\r\n")) != std::string::npos;) {
      std::size_t total = end + 4 + ContentLength(std::string_view(pending).substr(0, end + 2));
      if (pending.size() < total) break;
      Record(pending.substr(0, total));
      pending.erase(0, total);
      ScriptedAnswer a = NextAnswer();
      silent = a.silent;
      if (silent) break;
      std::string_view rest = a.bytes;
      const std::size_t piece = a.pieceSize ? a.pieceSize : rest.size();
      while (open && !rest.empty()) {
        if (a.pauseMs > 0 && !Pause(a.pauseMs)) open = false;
        std::size_t n = std::min(piece, rest.size());
        if (open && !SendAll(s, rest.substr(0, n))) open = false;
        rest.remove_prefix(n);
      }
      if (a.closeAfter) open = false;
    }
    // Not HTTP (a TLS hello, say): keep what came and hang up.
    if (!pending.empty() && !(pending[0] >= 'A' && pending[0] <= 'Z')) break;
    if (!open || !Readable(s)) continue;
    int n = recv(s, block, sizeof block, 0);
    if (n <= 0) break;
    pending.append(block, static_cast<std::size_t>(n));
  }
  if (!pending.empty()) Record(std::move(pending));
  shutdown(s, SD_BOTH);
  closesocket(s);
}

int ClosedLoopbackPort() {
  int port = 0;
  SOCKET s = ListenOnLoopback(&port);
  if (s == INVALID_SOCKET) return 0;
  closesocket(s);
  return port;
}

namespace {

bool NameIs(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         std::equal(name.begin(), name.end(), line.begin(),
                    [](char a, char b) { return Fold(a) == Fold(b); });
}

}  // namespace

WireRequest ParseRequest(const std::string& raw) {
  WireRequest r;
  const std::size_t end = raw.find("\r\n\r\n");
  const std::string head = raw.substr(0, end);
  if (end != std::string::npos) r.body = raw.substr(end + 4);
  std::size_t from = 0;
  for (bool first = true; from <= head.size(); first = false) {
    std::size_t eol = head.find("\r\n", from);
    if (eol == std::string::npos) eol = head.size();
    (first ? r.requestLine : r.headerLines.emplace_back()) = head.substr(from, eol - from);
    from = eol + 2;
  }
  return r;
}

std::string WireRequest::Value(std::string_view name) const {
  for (const std::string& line : headerLines) {
    if (!NameIs(line, name)) continue;
    std::size_t a = name.size() + 1;
    while (a < line.size() && line[a] == ' ') ++a;
    std::size_t b = line.size();
    while (b > a && line[b - 1] == ' ') --b;
    return line.substr(a, b - a);
  }
  return {};
}

int WireRequest::Count(std::string_view name) const {
  return static_cast<int>(std::count_if(headerLines.begin(), headerLines.end(),
                                        [&](const std::string& l) { return NameIs(l, name); }));
}

std::vector<std::string> WireRequest::OwnLines() const {
  static constexpr std::string_view platform[] = {"Host", "User-Agent", "Content-Length",
                                                  "Connection", "Cache-Control", "Pragma"};
  std::vector<std::string> own;
  for (const std::string& line : headerLines) {
    if (std::none_of(std::begin(platform), std::end(platform),
                     [&](std::string_view n) { return NameIs(line, n); })) {
      own.push_back(line);
    }
  }
  return own;
}
