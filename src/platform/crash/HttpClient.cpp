#include "platform/crash/HttpClient.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace Platform {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

// Waits for the socket to become ready for `events`; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline, HttpResult& r) {
  for (;;) {
    int left = MsLeft(deadline);
    if (left == 0) {
      r.mTimedOut = true;
      r.mError = "timed out";
      return false;
    }
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, left);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) {
      r.mError = std::string("poll: ") + std::strerror(errno);
      return false;
    }
  }
}

struct Socket {
  int mFd = -1;
  ~Socket() {
    if (mFd >= 0) close(mFd);
  }
};

}  // namespace

HttpResult HttpPost(const std::string& host, int port, const std::string& path, const std::string& contentType,
                    const std::string& body, int timeoutMs) {
  HttpResult r;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 1);
  if (host.empty() || port <= 0 || port > 65535) {
    r.mError = "no server address";
    return r;
  }

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  int gai = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  if (gai != 0 || !list) {
    r.mError = std::string("cannot resolve ") + host + ": " + gai_strerror(gai);
    return r;
  }

  Socket s;
  for (addrinfo* a = list; a && s.mFd < 0; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      s.mFd = fd;
      break;
    }
    if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline, r)) {
      int err = 0;
      socklen_t len = sizeof err;
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
      if (err == 0) {
        s.mFd = fd;
        break;
      }
      r.mError = std::string("connect: ") + std::strerror(err);
    } else if (!r.mTimedOut) {
      r.mError = std::string("connect: ") + std::strerror(errno);
    }
    close(fd);
    if (r.mTimedOut) break;
  }
  freeaddrinfo(list);
  if (s.mFd < 0) return r;
  r.mError.clear();

  std::string request = "POST " + path + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                        "\r\nUser-Agent: PellorCafe\r\nContent-Type: " + contentType +
                        "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  request += body;
  size_t sent = 0;
  while (sent < request.size()) {
    if (!WaitFor(s.mFd, POLLOUT, deadline, r)) return r;
    ssize_t n = send(s.mFd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      r.mError = std::string("send: ") + std::strerror(errno);
      return r;
    }
    sent += size_t(n);
  }

  // Read until the server closes, the whole body announced by Content-Length has come, or the
  // time runs out.
  std::string answer;
  size_t headerEnd = std::string::npos;
  size_t contentLength = std::string::npos;
  constexpr size_t kMaxAnswer = 64 * 1024;
  for (;;) {
    if (headerEnd != std::string::npos && contentLength != std::string::npos &&
        answer.size() >= headerEnd + 4 + contentLength)
      break;
    if (!WaitFor(s.mFd, POLLIN, deadline, r)) {
      if (headerEnd == std::string::npos) return r;
      r.mTimedOut = false;  // the headers came: keep what arrived
      r.mError.clear();
      break;
    }
    char buf[4096];
    ssize_t n = recv(s.mFd, buf, sizeof buf, 0);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      r.mError = std::string("recv: ") + std::strerror(errno);
      if (headerEnd == std::string::npos) return r;
      break;
    }
    if (answer.size() < kMaxAnswer) answer.append(buf, size_t(n));
    if (headerEnd == std::string::npos) {
      headerEnd = answer.find("\r\n\r\n");
      if (headerEnd != std::string::npos) {
        std::string head = answer.substr(0, headerEnd);
        for (auto& c : head) c = char(std::tolower(static_cast<unsigned char>(c)));
        size_t cl = head.find("\r\ncontent-length:");
        if (cl != std::string::npos) contentLength = std::strtoul(head.c_str() + cl + 17, nullptr, 10);
      }
    }
    if (answer.size() >= kMaxAnswer) break;
  }

  if (answer.compare(0, 5, "HTTP/") != 0) {
    r.mError = "no HTTP answer";
    return r;
  }
  size_t sp = answer.find(' ');
  if (sp != std::string::npos) r.mStatus = std::atoi(answer.c_str() + sp + 1);
  if (headerEnd != std::string::npos) r.mBody = answer.substr(headerEnd + 4);
  r.mOk = r.mStatus >= 200 && r.mStatus < 300;
  if (!r.mOk) r.mError = "server answered " + std::to_string(r.mStatus);
  return r;
}

}  // namespace Platform
