// The development deployment server (tools/devserver.py) as a test
// starts, steers and reads it: on a fixed port of 127.0.0.1, bounded in
// lifetime, its recorded requests as raw bytes.
#pragma once

#include <string>
#include <vector>

class DevServer {
 public:
  explicit DevServer(int port) : port_(port) {}
  ~DevServer();
  DevServer(const DevServer&) = delete;
  DevServer& operator=(const DevServer&) = delete;

  // Stops a server left on the port, starts a fresh one and waits until it
  // answers.
  bool Start();
  std::string Url(const std::string& path) const;
  // "/_control/set?" + query, for instance "version=1.4&markers=off".
  bool Set(const std::string& query);
  // The raw bytes of every request since the start, in order.
  std::vector<std::string> Requests();
  // A plain GET of one of its pages; false when it did not answer 200.
  bool Get(const std::string& path, std::string& body);

 private:
  int port_;
  bool started_ = false;
};
