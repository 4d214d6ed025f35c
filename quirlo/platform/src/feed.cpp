#include "quirlo/platform/feed.h"

namespace quirlo {

struct FeedServer::Impl {};

std::filesystem::path FeedSocketPath(const std::string& service, const std::string& topic) {
  return std::filesystem::path("/tmp") / ("quirlo-feed-" + service + "-" + topic + ".sock");
}

FeedServer::FeedServer(std::string service, std::string topic)
    : service_(std::move(service)), topic_(std::move(topic)) {}
FeedServer::~FeedServer() { Stop(); }
bool FeedServer::Start() {
  lastError_ = "not available yet";
  return false;
}
void FeedServer::Stop() {}
void FeedServer::SetItem(const std::string&, const std::string&) {}
std::string FeedServer::Item(const std::string&) const { return {}; }
std::size_t FeedServer::ClientCount() const { return 0; }

FeedClient::FeedClient() = default;
FeedClient::~FeedClient() { CloseLink(); }
void FeedClient::SetServiceApplication(std::string program) { program_ = std::move(program); }
bool FeedClient::SetLink(const std::string& service, const std::string& topic) {
  service_ = service;
  topic_ = topic;
  return false;
}
bool FeedClient::OpenLink() { return false; }
bool FeedClient::StartAdvise() { return false; }
void FeedClient::SetItem(const std::string& item) { item_ = item; }
void FeedClient::CloseLink() {}
bool FeedClient::IsOpen() const { return false; }
std::string FeedClient::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

}  // namespace quirlo
