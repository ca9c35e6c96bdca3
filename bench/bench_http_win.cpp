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

// Wall time and this process's processor time of one run. The processor
// time is steadier when other work shares the machine.
struct Times {
  double wall, cpu;
};

double ProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](FILETIME t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

template <typename F>
Times Measure(F run) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = ProcessorSeconds();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          ProcessorSeconds() - cpu};
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
  // The order alternates, so that neither run always finds the other's
  // connection or memory warm; each round's two runs are compared.
  std::vector<double> wallRatios, cpuRatios, toolkitWall;
  for (int round = 1; round <= 6; ++round) {
    std::size_t got = 0, gotBare = 0;
    Times toolkit{}, bare{};
    const auto toolkitRun = [&] { toolkit = Measure([&] { got = HttpRequest(url).size(); }); };
    const auto bareRun = [&] { bare = Measure([&] { gotBare = BareRead(url, kHttpReadBlock); }); };
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
    wallRatios.push_back(toolkit.wall / bare.wall);
    cpuRatios.push_back(toolkit.cpu / bare.cpu);
    toolkitWall.push_back(toolkit.wall);
    std::printf("round %d: HttpRequest %.2f s (cpu %.2f s), bare 1 KB loop %.2f s (cpu %.2f s)\n",
                round, toolkit.wall, toolkit.cpu, bare.wall, bare.cpu);
  }
  // For scale: the platform's cost of the cache file that the "need file"
  // flag makes it write, and of the small read block.
  const double noFile = Measure([&] { BareRead(url, kHttpReadBlock, INTERNET_FLAG_RELOAD); }).wall;
  const double large = Measure([&] { BareRead(url, 256 * 1024, INTERNET_FLAG_RELOAD); }).wall;
  const double mb = kBodySize / 1e6;
  std::printf("HttpRequest, 1 KB reads: median %.2f s, %.1f MB/s\n", Median(toolkitWall),
              mb / Median(toolkitWall));
  std::printf("bare WinInet, 1 KB reads, no cache file: %.2f s, %.1f MB/s\n", noFile, mb / noFile);
  std::printf("bare WinInet, 256 KB reads, no cache file: %.2f s, %.1f MB/s\n", large, mb / large);
  std::printf("ratio HttpRequest / bare 1 KB loop, median of rounds: wall %.3f, cpu %.3f\n",
              Median(wallRatios), Median(cpuRatios));
  return 0;
}
