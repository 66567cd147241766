#include "platform/paths/UserPaths.h"
#include "shell/CrashReport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/crash/CrashHandler.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"

namespace CrashReport {

std::string ReportPath(const std::string& folder) { return Platform::JoinPath(folder, kFileName); }

bool Install(const std::string& folder, const std::string& version) {
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  bool ok = Platform::InstallFatalSignalHandler(ReportPath(folder), version, &LogHistory::WriteCrashLines);
  if (!ok) LogMessage("WARNING: CrashReport: the crash handler could not be installed");
  return ok;
}

bool IsPending(const std::string& folder) {
  std::error_code ec;
  auto path = ReportPath(folder);
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
}

void Discard(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove(ReportPath(folder), ec);
}

std::string UploadUrl(const std::string& server) {
  const size_t scheme = server.find("://");
  if (scheme == std::string::npos) {
    // A bare address: plain HTTP; the host must not be empty, a port must be 1 to 65535.
    if (server.empty() || server.find_first_of("/ \t\r\n") != std::string::npos) return "";
    const size_t colon = server.rfind(':');
    if (colon == 0) return "";
    if (colon != std::string::npos) {
      const std::string port = server.substr(colon + 1);
      if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return "";
      const long number = std::stol(port);
      if (number <= 0 || number > 65535) return "";
    }
    return "http://" + server + kUploadPath;
  }
  const std::string name = ToLowerAscii(server.substr(0, scheme));
  if (name != "http" && name != "https") return "";
  const std::string rest = server.substr(scheme + 3);
  if (rest.empty() || rest[0] == '/' || rest.find_first_of(" \t\r\n") != std::string::npos) return "";
  return rest.find('/') == std::string::npos ? server + kUploadPath : server;
}

std::string BuildFormData(const std::string& version, const std::string& report, std::string& boundary) {
  uint64_t salt = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  do {
    boundary = "----PellorCafeReport" + std::to_string(salt++);
  } while (report.find(boundary) != std::string::npos || version.find(boundary) != std::string::npos);
  std::string body;
  body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n" + version + "\r\n";
  body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"report\"; filename=\"" + kFileName +
          "\"\r\nContent-Type: text/plain\r\n\r\n";
  body += report;
  body += "\r\n--" + boundary + "--\r\n";
  return body;
}

struct Upload::State {
  mutable std::mutex mMutex;
  mutable std::condition_variable mCv;
  bool mRunning = false;
  bool mDone = false;
  Platform::HttpResult mResult;
  std::thread mThread;
};

Upload::Upload() : mState(std::make_shared<State>()) {}

Upload::~Upload() {
  if (mState->mThread.joinable()) {
    if (IsDone())
      mState->mThread.join();
    else
      mState->mThread.detach();  // bounded by its time limit; the shared state outlives us
  }
}

bool Upload::Start(const std::string& folder, const std::string& version, const std::string& url, int timeoutMs) {
  if (url.empty() || IsRunning()) return false;
  std::ifstream in(ReportPath(folder), std::ios::binary);
  if (!in) return false;
  std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (report.empty()) return false;
  if (mState->mThread.joinable()) mState->mThread.join();

  std::string boundary;
  std::string body = BuildFormData(version, report, boundary);
  {
    std::lock_guard<std::mutex> lock(mState->mMutex);
    mState->mRunning = true;
    mState->mDone = false;
    mState->mResult = {};
  }
  std::shared_ptr<State> state = mState;
  mState->mThread = std::thread([state, folder, url, timeoutMs, boundary, body] {
    Platform::HttpResult r = Platform::HttpPost(url, "multipart/form-data; boundary=" + boundary, body, timeoutMs);
    // Handed in: not offered again. Any failure keeps it for the next start.
    if (r.mOk) Discard(folder);
    std::lock_guard<std::mutex> lock(state->mMutex);
    state->mResult = std::move(r);
    state->mRunning = false;
    state->mDone = true;
    state->mCv.notify_all();
  });
  return true;
}

bool Upload::IsRunning() const {
  std::lock_guard<std::mutex> lock(mState->mMutex);
  return mState->mRunning;
}

bool Upload::IsDone() const {
  std::lock_guard<std::mutex> lock(mState->mMutex);
  return mState->mDone;
}

bool Upload::WaitFor(int ms) const {
  std::unique_lock<std::mutex> lock(mState->mMutex);
  return mState->mCv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return mState->mDone; });
}

Platform::HttpResult Upload::Result() const {
  std::lock_guard<std::mutex> lock(mState->mMutex);
  return mState->mResult;
}

}  // namespace CrashReport
