#include "platform/crash/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace Platform {
namespace {

constexpr size_t kMaxBody = 64 * 1024;

size_t KeepBody(char* data, size_t size, size_t count, void* user) {
  std::string& body = *static_cast<std::string*>(user);
  const size_t bytes = size * count;
  if (body.size() < kMaxBody) body.append(data, std::min(bytes, kMaxBody - body.size()));
  return bytes;
}

}  // namespace

HttpResult HttpPost(const std::string& url, const std::string& contentType, const std::string& body,
                    int timeoutMs) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  HttpResult r;
  CURL* curl = curl_easy_init();
  if (!curl) {
    r.mError = "libcurl could not start";
    return r;
  }
  const std::string typeHeader = "Content-Type: " + contentType;
  curl_slist* headers = curl_slist_append(nullptr, typeHeader.c_str());
  // The whole body goes at once, without waiting for a "100 Continue".
  headers = curl_slist_append(headers, "Expect:");
  char error[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(timeoutMs > 0 ? timeoutMs : 1));
  // Runs on a thread of its own: no signals for name look-up time-outs.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &KeepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.mBody);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  r.mStatus = int(status);
  if (code != CURLE_OK) {
    r.mTimedOut = code == CURLE_OPERATION_TIMEDOUT;
    r.mError = error[0] ? error : curl_easy_strerror(code);
  } else if (status < 200 || status > 299) {
    r.mError = "the server answered " + std::to_string(status);
  } else {
    r.mOk = true;
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return r;
}

}  // namespace Platform
