// A real HTTP server on 127.0.0.1 for tests and benchmarks: it answers
// from a script and records the raw bytes of every request it receives.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct ScriptedAnswer {
  std::string bytes;            // sent verbatim: status line, header lines, body
  std::size_t pieceSize = 0;    // non-zero: send in pieces of this size,
  int pauseMs = 0;              // each after this pause
  bool closeAfter = false;      // close the connection once bytes are sent
  bool silent = false;          // read the request and never answer
};

// A complete answer: the status line, header lines (each ended by CR LF),
// a Content-Length line, the empty line and the body.
std::string Reply(std::string_view statusLine, std::string_view headerLines = {},
                  std::string_view body = {});
// The same with the body sent in chunked transfer coding, pieceSize bytes a chunk.
std::string ChunkedReply(std::string_view headerLines, std::string_view body,
                         std::size_t pieceSize);

class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool Listening() const { return listener_ != kNoSocket; }
  int Port() const { return port_; }
  // "http://127.0.0.1:port" followed by path.
  std::string Url(std::string_view path = "/") const;

  // Answers go out in the order given; the last one keeps being repeated.
  // With none given every request gets an empty "200 OK".
  void Answer(ScriptedAnswer answer);
  void Answer(std::string bytes) { Answer(ScriptedAnswer{std::move(bytes)}); }

  // Raw bytes of each request, in the order they were complete; bytes left
  // when a connection ends without completing a request count as one.
  std::vector<std::string> Requests() const;

 private:
  using Socket = std::uintptr_t;
  static constexpr Socket kNoSocket = ~Socket(0);

  void AcceptLoop();
  void Serve(Socket connection);
  ScriptedAnswer NextAnswer();
  void Record(std::string request);
  // Waits up to ms; false when the server is stopping.
  bool Pause(int ms);
  bool Stopping() const;

  Socket listener_ = kNoSocket;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::deque<ScriptedAnswer> script_;
  std::vector<std::string> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 that nothing listens on.
int ClosedLoopbackPort();

// A recorded request taken apart.
struct WireRequest {
  std::string requestLine;
  std::vector<std::string> headerLines;  // in the order sent, without CR LF
  std::string body;

  // The trimmed value of the first line with that name (letter case
  // ignored), and how many lines have it.
  std::string Value(std::string_view name) const;
  int Count(std::string_view name) const;
  // The lines in order without those the platform adds by itself (Host,
  // User-Agent, Content-Length, Connection, Cache-Control, Pragma).
  std::vector<std::string> OwnLines() const;
};
WireRequest ParseRequest(const std::string& raw);
