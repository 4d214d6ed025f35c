// Stand-in service application for the feed tests: serves one item of one service and
// topic, and ends when its last client has gone or after ten seconds.
//   qplat_feed_server_helper SERVICE TOPIC ITEM TEXT
#include <chrono>
#include <cstdio>
#include <thread>

#include "quirlo/platform/feed.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s SERVICE TOPIC ITEM TEXT\n", argv[0]);
    return 2;
  }
  quirlo::FeedServer server(argv[1], argv[2]);
  server.SetItem(argv[3], argv[4]);
  if (!server.Start()) {
    std::fprintf(stderr, "%s\n", server.LastError().c_str());
    return 1;
  }
  bool hadClient = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    const bool any = server.ClientCount() > 0;
    if (hadClient && !any) break;
    hadClient = hadClient || any;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}
