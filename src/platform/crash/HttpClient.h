#pragma once
#include <string>

namespace Platform {

struct HttpResult {
  bool mOk = false;         // a 2xx answer was received
  int mStatus = 0;          // the HTTP status code, 0 when none was received
  bool mTimedOut = false;   // the time limit ran out
  std::string mError;       // why it failed
  std::string mBody;        // the answer's body (at most 64 KiB kept)
};

// One blocking HTTP POST through libcurl, to an http:// or https:// URL; the system's proxy
// settings (http_proxy, https_proxy, no_proxy) apply. Connecting, sending and reading the answer
// run within one overall time limit, so a refused or silent server returns promptly.
HttpResult HttpPost(const std::string& url, const std::string& contentType, const std::string& body,
                    int timeoutMs);

}  // namespace Platform
