// Reads a 50 MB body from a server on 127.0.0.1 with HttpRequest and with
// bare WinInet read loops of the same request and block size, in the same
// run, and prints the times and their ratios: the toolkit's own cost on top
// of the platform's reads (its body must grow in amortised linear time).
// One bare loop reads into memory allocated for the call, as any routine
// that returns the body must; the other into a buffer kept warm.
//
//   bench_http            the comparison
//   bench_http serve DIR  serve the same body until DIR/stop exists, with
//                         the port in DIR/port (for curl on the Linux side)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "http_request.h"
#include "internet_win.h"
#include "loopback_server_win.h"

namespace {

constexpr std::size_t kBodySize = 50u * 1024 * 1024;

// The platform calls HttpRequest makes, with its flags unless others are
// given, reading into memory set aside beforehand: nothing grows. fresh:
// memory allocated for this call, as a routine that returns the body must;
// otherwise one buffer kept warm from call to call.
std::size_t BareRead(const std::string& url, DWORD block, bool fresh,
                     DWORD flags = HttpRequestFlags("http:", false, false)) {
  UniqueInternet root = OpenInternet("bench", nullptr);
  UniqueInternet connection =
      ConnectHttp(root.get(), "127.0.0.1", std::stoi(url.substr(url.rfind(':') + 1)));
  UniqueInternet request = OpenHttpRequest(connection.get(), "GET", "/", flags);
  if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return 0;
  const std::size_t room = kBodySize + (1 << 20);
  static const std::unique_ptr<std::uint8_t[]> warm(new std::uint8_t[room]);
  const std::unique_ptr<std::uint8_t[]> own(fresh ? new std::uint8_t[room] : nullptr);
  std::uint8_t* into = fresh ? own.get() : warm.get();
  std::size_t total = 0;
  for (DWORD read; (read = ReadBlock(request.get(), into + total, block)) > 0;) {
    total += read;
    if (total + block > room) break;
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
  // The order rotates, so that no run always finds another's connection or
  // memory warm; each round's runs are compared with each other.
  enum { kToolkit, kFresh, kWarm, kRuns };
  const char* names[kRuns] = {"HttpRequest", "bare, fresh memory", "bare, warm buffer"};
  std::vector<double> wall[kRuns], freshRatio, freshCpuRatio, warmRatio;
  for (int round = 0; round < 6; ++round) {
    Times t[kRuns];
    for (int k = 0; k < kRuns; ++k) {
      const int run = (round + k) % kRuns;
      std::size_t got = 0;
      t[run] = Measure([&] {
        got = run == kToolkit ? HttpRequest(url).size() : BareRead(url, kHttpReadBlock, run == kFresh);
      });
      if (got != kBodySize) return std::fprintf(stderr, "%s read %zu bytes\n", names[run], got), 1;
      wall[run].push_back(t[run].wall);
    }
    freshRatio.push_back(t[kToolkit].wall / t[kFresh].wall);
    freshCpuRatio.push_back(t[kToolkit].cpu / t[kFresh].cpu);
    warmRatio.push_back(t[kToolkit].wall / t[kWarm].wall);
    std::printf("round %d:", round + 1);
    for (int run = 0; run < kRuns; ++run) {
      std::printf("  %s %.2f s (cpu %.2f s)", names[run], t[run].wall, t[run].cpu);
    }
    std::printf("\n");
  }
  // For scale: the platform's cost of the cache file that the "need file"
  // flag makes it write, and of the small read block.
  const double noFile =
      Measure([&] { BareRead(url, kHttpReadBlock, false, INTERNET_FLAG_RELOAD); }).wall;
  const double large = Measure([&] { BareRead(url, 256 * 1024, false, INTERNET_FLAG_RELOAD); }).wall;
  const double mb = kBodySize / 1e6;
  for (int run = 0; run < kRuns; ++run) {
    std::printf("%s, 1 KB reads: median %.2f s, %.1f MB/s\n", names[run], Median(wall[run]),
                mb / Median(wall[run]));
  }
  std::printf("bare, 1 KB reads, no cache file: %.2f s, %.1f MB/s\n", noFile, mb / noFile);
  std::printf("bare, 256 KB reads, no cache file: %.2f s, %.1f MB/s\n", large, mb / large);
  std::printf("ratio HttpRequest / bare loop into fresh memory, median of rounds: wall %.3f, cpu %.3f\n",
              Median(freshRatio), Median(freshCpuRatio));
  std::printf("ratio HttpRequest / bare loop into a warm buffer, median of rounds: wall %.3f\n",
              Median(warmRatio));
  return 0;
}
