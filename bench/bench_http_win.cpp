// Reads a 50 MB body from a server on 127.0.0.1 with HttpRequest and with
// a bare WinInet read loop of the same block size, in the same run, and
// prints the times and their ratio: the toolkit's own cost on top of the
// platform's reads (its body must grow in amortised linear time).
//
//   bench_http            the comparison
//   bench_http serve DIR  serve the same body until DIR/stop exists, with
//                         the port in DIR/port (for curl on the Linux side)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "http_request.h"
#include "internet_win.h"
#include "loopback_server_win.h"

namespace {

constexpr std::size_t kBodySize = 50u * 1024 * 1024;

// The platform calls HttpRequest makes, with its flags unless others are
// given, reading into memory set aside beforehand: nothing grows.
std::size_t BareRead(const std::string& url, DWORD block,
                     DWORD flags = HttpRequestFlags("http:", false, false)) {
  UniqueInternet root = OpenInternet("bench", nullptr);
  UniqueInternet connection =
      ConnectHttp(root.get(), "127.0.0.1", std::stoi(url.substr(url.rfind(':') + 1)));
  UniqueInternet request = OpenHttpRequest(connection.get(), "GET", "/", flags);
  if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return 0;
  static std::vector<std::uint8_t> into(kBodySize + (1 << 20));
  std::size_t total = 0;
  for (DWORD read; (read = ReadBlock(request.get(), into.data() + total, block)) > 0;) {
    total += read;
    if (total + block > into.size()) break;
  }
  return total;
}

template <typename F>
double Seconds(F run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Serve(const LoopbackServer& server, const std::string& dir) {
  std::ofstream(dir + "/port") << server.Port() << "\n";
  // Bounded: a forgotten server ends by itself.
  for (int i = 0; i < 3000 && GetFileAttributesA((dir + "/stop").c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(100);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string body(kBodySize, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 2654435761u) >> 13);
  LoopbackServer server;
  if (!server.Listening()) return 1;
  server.Answer(Reply("HTTP/1.1 200 OK", "", body));
  if (argc == 3 && std::string(argv[1]) == "serve") return Serve(server, argv[2]);

  const std::string url = server.Url("/");
  std::vector<double> toolkit, bare, ratios;
  // The order alternates, so that neither run always finds the other's
  // connection or memory warm.
  for (int round = 1; round <= 6; ++round) {
    std::size_t got = 0, gotBare = 0;
    const auto toolkitRun = [&] { toolkit.push_back(Seconds([&] { got = HttpRequest(url).size(); })); };
    const auto bareRun = [&] { bare.push_back(Seconds([&] { gotBare = BareRead(url, kHttpReadBlock); })); };
    if (round % 2) {
      toolkitRun();
      bareRun();
    } else {
      bareRun();
      toolkitRun();
    }
    if (got != kBodySize || gotBare != kBodySize) {
      std::fprintf(stderr, "read %zu and %zu bytes\n", got, gotBare);
      return 1;
    }
    ratios.push_back(toolkit.back() / bare.back());
    std::printf("round %d: HttpRequest %.2f s, bare 1 KB loop %.2f s, ratio %.3f\n", round,
                toolkit.back(), bare.back(), ratios.back());
  }
  // For scale: the platform's cost of the cache file that the "need file"
  // flag makes it write, and of the small read block.
  const double noFile = Seconds([&] { BareRead(url, kHttpReadBlock, INTERNET_FLAG_RELOAD); });
  const double large = Seconds([&] { BareRead(url, 256 * 1024, INTERNET_FLAG_RELOAD); });
  const double mb = kBodySize / 1e6;
  std::printf("HttpRequest (1 KB reads): median %.2f s, %.1f MB/s\n", Median(toolkit), mb / Median(toolkit));
  std::printf("bare WinInet, 1 KB reads: median %.2f s, %.1f MB/s\n", Median(bare), mb / Median(bare));
  std::printf("bare WinInet, 1 KB reads, no cache file: %.2f s, %.1f MB/s\n", noFile, mb / noFile);
  std::printf("bare WinInet, 256 KB reads, no cache file: %.2f s, %.1f MB/s\n", large, mb / large);
  // Paired rounds: a burst of load elsewhere on the machine hits both runs
  // of a round alike.
  std::printf("ratio HttpRequest / bare 1 KB loop: median of rounds %.3f\n", Median(ratios));
  return 0;
}
