#pragma once
#include <memory>
#include <string>

#include "platform/crash/HttpClient.h"

// The crash report: a fatal signal writes "crash.txt" (stack, version, recent log lines) into
// the per-user folder; at the next start the game can offer to upload it to the report server.
namespace CrashReport {

constexpr const char* kFileName = "crash.txt";
constexpr const char* kUploadPath = "/kavrel_error.php";

std::string ReportPath(const std::string& folder);
// Installs the fatal-signal handler writing folder/crash.txt, quoting the last log lines
// (LogHistory::WriteCrashLines, read without the log's lock).
bool Install(const std::string& folder, const std::string& version);
// True when folder/crash.txt exists and is not empty.
bool IsPending(const std::string& folder);
// Removes the report (after an upload or when the user declines it).
void Discard(const std::string& folder);
// The upload URL of the "CrashReportServer" setting: an http:// or https:// URL (the upload path
// is added when it names no path), or a bare "host:port" / "host", which means plain HTTP.
// Empty when the setting is empty or not such an address.
std::string UploadUrl(const std::string& server);
// The multipart form data sent for a report: a "version" field and the report as the file
// field "report" named "crash.txt". The boundary is chosen so it does not occur in the report.
std::string BuildFormData(const std::string& version, const std::string& report, std::string& boundary);

// One upload on its own thread: a single HTTP POST of the report to the URL. Never blocks the
// caller: poll IsDone(); the time limit bounds the whole exchange. Only a 2xx answer removes the
// report; after any failure it stays, to be offered again. Destroying an Upload that is still
// running leaves the thread to finish on its own.
class Upload {
 public:
  Upload();
  ~Upload();
  Upload(const Upload&) = delete;
  Upload& operator=(const Upload&) = delete;

  // False (and nothing started) when no report is pending, the address is empty or an upload
  // already runs.
  bool Start(const std::string& folder, const std::string& version, const std::string& url, int timeoutMs);
  bool IsRunning() const;
  bool IsDone() const;
  // Waits at most ms for the upload to end; true when it has.
  bool WaitFor(int ms) const;
  // The outcome once done.
  Platform::HttpResult Result() const;

 private:
  struct State;
  std::shared_ptr<State> mState;
};

}  // namespace CrashReport
