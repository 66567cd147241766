#pragma once
#include <string>
#include <utility>
#include <vector>

namespace Platform {

struct HttpResult {
  bool mOk = false;         // a 2xx answer was received
  int mStatus = 0;          // the HTTP status code, 0 when none was received
  bool mTimedOut = false;   // the time limit ran out
  std::string mError;       // why it failed
  std::string mBody;        // the answer's body (at most 64 KiB kept)
};

// One blocking HTTP/1.1 POST over a plain TCP socket. Every step (name lookup aside, which is
// immediate for numeric addresses), connecting, sending and reading the answer, runs within
// one overall time limit, so a refused or silent server returns promptly.
HttpResult HttpPost(const std::string& host, int port, const std::string& path, const std::string& contentType,
                    const std::string& body, int timeoutMs);

}  // namespace Platform
