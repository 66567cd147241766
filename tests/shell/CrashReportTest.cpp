#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process/StopSignals.h"
#include "platform/window/MessageBox.h"
#include "shell/CrashReport.h"
#include "shell/VeskAppBase.h"
#include "shell/Log.h"
#include "shell/support/TestFiles.h"

namespace {

std::string ReadText(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs `crash` in a child process with the crash reporter installed; the child's wait status.
template <class F>
int CrashInChild(const std::string& folder, F crash) {
  pid_t pid = fork();
  if (pid == 0) {
    CrashReport::Install(folder, "1.0-test");
    LogMessage("last words %d", 42);
    crash();
    _exit(0);  // not reached
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// A one-connection HTTP server on 127.0.0.1 (port chosen by the system) for the upload tests. It
// answers the whole request with `status`; with status 0 it accepts the connection and never
// says anything.
class TestServer {
 public:
  explicit TestServer(int status) : mStatus(status) {
    mListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(mListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(mListen, 1);
    socklen_t len = sizeof addr;
    getsockname(mListen, reinterpret_cast<sockaddr*>(&addr), &len);
    mPort = ntohs(addr.sin_port);
    mThread = std::thread([this] { Serve(); });
  }
  ~TestServer() {
    mStop = true;
    mThread.join();
    close(mListen);
  }
  int Port() const { return mPort; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(mPort); }
  std::string Request() {
    mThread.join();
    mThread = std::thread([] {});
    return mRequest;
  }

 private:
  void Serve() {
    // Bounded, generously for a loaded machine: gives up after a minute whatever happens.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int fd = -1;
    while (fd < 0 && !mStop && std::chrono::steady_clock::now() < deadline) {
      pollfd p{mListen, POLLIN, 0};
      if (poll(&p, 1, 50) > 0) fd = accept(mListen, nullptr, nullptr);
    }
    if (fd < 0) return;
    size_t expected = std::string::npos;
    while (!mStop && std::chrono::steady_clock::now() < deadline) {
      pollfd q{fd, POLLIN, 0};
      if (poll(&q, 1, 50) <= 0) continue;
      char buf[4096];
      ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      mRequest.append(buf, size_t(n));
      size_t head = mRequest.find("\r\n\r\n");
      if (head != std::string::npos && expected == std::string::npos) {
        size_t cl = mRequest.find("Content-Length: ");
        if (cl != std::string::npos) expected = head + 4 + std::strtoul(mRequest.c_str() + cl + 16, nullptr, 10);
      }
      if (mStatus != 0 && expected != std::string::npos && mRequest.size() >= expected) {
        const std::string body = mStatus == 200 ? "OK" : "Server error";
        const std::string reply = "HTTP/1.1 " + std::to_string(mStatus) +
                                  (mStatus == 200 ? " OK" : " Internal Server Error") +
                                  "\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body;
        send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        break;
      }
    }
    if (mStatus == 0)  // hold the connection open, silently, until the test ends
      while (!mStop && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    close(fd);
  }

  int mStatus;
  int mListen = -1;
  int mPort = 0;
  std::atomic<bool> mStop{false};
  std::string mRequest;
  std::thread mThread;
};

// The application's side of a report: the offer at start-up and the outcome told to the player.
class ReportingApp : public Vesk::VeskAppBase {
 public:
  ReportingApp() {
    mProductName = "Crash Test";
    mProductVersion = "2.5";
    mRegKey = "Cafe Tests\\Crash Test";
  }
  void Offer() { OfferCrashReport("send?", "sent", "failed"); }
  int UploadStatus() const { return mCrashUpload.Result().mStatus; }
  bool UploadStarted() const { return mCrashUpload.IsRunning() || mCrashUpload.IsDone(); }
  // Waits for the upload, then lets a loop step tell the outcome.
  void Finish() {
    mCrashUpload.WaitFor(60000);
    TellCrashUploadOutcome();
  }

 protected:
  bool WantsWindow() const override { return false; }
};

// Records every box shown and answers the question with `answer`.
struct Boxes {
  explicit Boxes(Platform::MessageBoxAnswer answer) {
    Platform::SetMessageBoxHandler([this, answer](const std::string&, const std::string& text,
                                                  Platform::MessageBoxButtons) {
      mShown.push_back(text);
      return text == "send?" ? answer : Platform::MessageBoxAnswer::Ok;
    });
  }
  ~Boxes() { Platform::SetMessageBoxHandler(nullptr); }
  std::vector<std::string> mShown;
};

}  // namespace

TEST(CrashReport, ACrashWritesTheReport) {
  TempDir dir;
  EXPECT_FALSE(CrashReport::IsPending(dir.Path()));
  int status = CrashInChild(dir.Path(), [] {
    // An unmapped address near zero (a null pointer as such would be caught by the sanitizer).
    volatile uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  ASSERT_TRUE(CrashReport::IsPending(dir.Path()));
  std::string report = ReadText(CrashReport::ReportPath(dir.Path()));
  EXPECT_NE(report.find("Version: 1.0-test"), std::string::npos) << report;
  EXPECT_NE(report.find("SIGSEGV"), std::string::npos) << report;
  EXPECT_NE(report.find("Address: 0x0000000000000010"), std::string::npos) << report;
  EXPECT_NE(report.find("Stack:\n"), std::string::npos) << report;
  EXPECT_NE(report.find("last words 42"), std::string::npos) << report;
  EXPECT_NE(report.find("End of report"), std::string::npos) << report;
  CrashReport::Discard(dir.Path());
  EXPECT_FALSE(CrashReport::IsPending(dir.Path()));

  status = CrashInChild(dir.Path(), [] { std::abort(); });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGABRT);
  EXPECT_NE(ReadText(CrashReport::ReportPath(dir.Path())).find("SIGABRT"), std::string::npos);
}

// A crash while another thread holds the log's lock (here: inside the log's sink, which runs
// under it) still writes the whole report with the last lines, and the process ends by the
// crash's own signal; a handler waiting for the lock would hang until its alarm ended it.
TEST(CrashReport, ACrashWhileTheLogIsLockedStillQuotesTheLastLines) {
  TempDir dir;
  int status = CrashInChild(dir.Path(), [] {
    for (int i = 0; i < 40; ++i) LogMessage("line %d of the run", i);
    std::atomic<bool> holding{false};
    LogSink::Set([&holding](const std::string&) {
      holding.store(true);
      for (;;) pause();
    });
    std::thread([] { LogMessage("this line never ends"); }).detach();
    while (!holding.load()) std::this_thread::yield();
    std::abort();
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGABRT);
  const std::string report = ReadText(CrashReport::ReportPath(dir.Path()));
  EXPECT_NE(report.find("Recent log:\n"), std::string::npos) << report;
  EXPECT_NE(report.find("line 39 of the run\nEnd of report"), std::string::npos) << report;
  EXPECT_EQ(report.find("line 7 of the run"), std::string::npos) << "only the last 32 lines are quoted";
  EXPECT_NE(report.find("line 8 of the run"), std::string::npos) << report;
}

TEST(CrashReport, UploadPostsTheReportAsFormData) {
  TempDir dir;
  WriteFile(CrashReport::ReportPath(dir.Path()), "Crash report\nStack:\nframe 1\n");
  TestServer server(200);
  CrashReport::Upload upload;
  ASSERT_TRUE(upload.Start(dir.Path(), "1.0", CrashReport::UploadUrl(server.Address()), 10000));
  ASSERT_TRUE(upload.WaitFor(60000)) << "no answer within a minute";
  Platform::HttpResult r = upload.Result();
  EXPECT_TRUE(r.mOk) << r.mError;
  EXPECT_EQ(r.mStatus, 200);
  EXPECT_EQ(r.mBody, "OK");

  std::string req = server.Request();
  EXPECT_EQ(req.rfind("POST /kavrel_error.php HTTP/1.1\r\n", 0), 0u) << req;
  size_t b = req.find("Content-Type: multipart/form-data; boundary=");
  ASSERT_NE(b, std::string::npos) << req;
  std::string boundary = req.substr(b + 44, req.find("\r\n", b) - b - 44);
  std::string body = req.substr(req.find("\r\n\r\n") + 4);
  EXPECT_EQ(body.rfind("--" + boundary + "\r\n", 0), 0u);
  EXPECT_NE(body.find("name=\"version\"\r\n\r\n1.0\r\n"), std::string::npos);
  EXPECT_NE(body.find("name=\"report\"; filename=\"crash.txt\""), std::string::npos);
  EXPECT_NE(body.find("Crash report\nStack:\nframe 1\n"), std::string::npos);
  EXPECT_EQ(body.substr(body.size() - boundary.size() - 6), "--" + boundary + "--\r\n");
}

TEST(CrashReport, SilentOrRefusingServersNeverHang) {
  TempDir dir;
  WriteFile(CrashReport::ReportPath(dir.Path()), "report");
  {
    TestServer silent(0);
    CrashReport::Upload upload;
    ASSERT_TRUE(upload.Start(dir.Path(), "1.0", CrashReport::UploadUrl(silent.Address()), 300));
    EXPECT_FALSE(upload.IsDone() && upload.Result().mOk);  // the caller is never blocked
    // The server holds the connection for a minute: an upload that ends before, timed out, kept
    // its own time limit.
    ASSERT_TRUE(upload.WaitFor(50000)) << "the upload did not give up on a silent server";
    Platform::HttpResult r = upload.Result();
    EXPECT_FALSE(r.mOk);
    EXPECT_TRUE(r.mTimedOut) << r.mError;
  }
  {
    // A port nobody listens on: refused at once.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    close(s);
    CrashReport::Upload upload;
    ASSERT_TRUE(upload.Start(dir.Path(), "1.0", "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)), 3000));
    ASSERT_TRUE(upload.WaitFor(60000)) << "no answer within a minute";
    EXPECT_FALSE(upload.Result().mOk);
    EXPECT_FALSE(upload.Result().mTimedOut);
  }
  CrashReport::Upload upload;
  EXPECT_FALSE(upload.Start(dir.Path(), "1.0", "", 1000));  // no server configured
  TempDir empty;
  EXPECT_FALSE(upload.Start(empty.Path(), "1.0", "http://127.0.0.1:80", 1000));  // nothing to send
}

TEST(CrashReport, TheServerSettingIsAUrlOrABareAddress) {
  EXPECT_EQ(CrashReport::UploadUrl("reports.example.org:8080"), "http://reports.example.org:8080/kavrel_error.php");
  EXPECT_EQ(CrashReport::UploadUrl("reports.example.org"), "http://reports.example.org/kavrel_error.php");
  EXPECT_EQ(CrashReport::UploadUrl("https://reports.example.org"), "https://reports.example.org/kavrel_error.php");
  EXPECT_EQ(CrashReport::UploadUrl("HTTPS://r.example.org:8443/in/crash"), "HTTPS://r.example.org:8443/in/crash");
  for (const char* bad : {"", ":80", "host:0", "host:65536", "host:", "host:8o", "ftp://host/x", "https://",
                          "http:///x",
                          "host name:80", "host/path"})
    EXPECT_EQ(CrashReport::UploadUrl(bad), "") << bad;
}

TEST(CrashReport, TheReportStaysUntilTheServerTakesItAndThePlayerIsTold) {
  ReportingApp app;
  const std::string folder = app.UserDataFolder();
  WriteFile(CrashReport::ReportPath(folder), "Crash report\n");
  {
    // A failing server: the report stays and the player hears it failed.
    TestServer failing(500);
    app.RegWriteString("CrashReportServer", failing.Address());
    Boxes boxes(Platform::MessageBoxAnswer::Yes);
    app.Offer();
    app.Finish();
    EXPECT_EQ(boxes.mShown, (std::vector<std::string>{"send?", "failed"}));
    EXPECT_TRUE(CrashReport::IsPending(folder));
    EXPECT_EQ(app.UploadStatus(), 500);
  }
  {
    // Offered again at the next start; a 2xx answer removes it and the player is thanked.
    TestServer taking(200);
    app.RegWriteString("CrashReportServer", "http://" + taking.Address());
    Boxes boxes(Platform::MessageBoxAnswer::Yes);
    app.Offer();
    app.Finish();
    EXPECT_EQ(boxes.mShown, (std::vector<std::string>{"send?", "sent"}));
    EXPECT_FALSE(CrashReport::IsPending(folder));
    EXPECT_NE(taking.Request().find("Crash report\n"), std::string::npos);
  }
  {
    // Nothing left to offer.
    Boxes boxes(Platform::MessageBoxAnswer::Yes);
    app.Offer();
    EXPECT_TRUE(boxes.mShown.empty());
  }
}

TEST(CrashReport, AHeadlessRunAnswersNoAndSendsNothing) {
  // Nobody sees the box: it agrees to nothing.
  EXPECT_EQ(Platform::ShowMessageBox("t", "send?", Platform::MessageBoxButtons::YesNo), Platform::MessageBoxAnswer::No);
  EXPECT_EQ(Platform::ShowMessageBox("t", "sure?", Platform::MessageBoxButtons::OkCancel),
            Platform::MessageBoxAnswer::Cancel);
  ReportingApp app;
  const std::string folder = app.UserDataFolder();
  WriteFile(CrashReport::ReportPath(folder), "Crash report\n");
  TestServer server(200);
  app.RegWriteString("CrashReportServer", server.Address());
  app.Offer();
  EXPECT_FALSE(app.UploadStarted());
  EXPECT_FALSE(CrashReport::IsPending(folder));  // declined
}

// A stop signal closes the offer's box with the unseen answer No: nobody declined, so the report
// stays for the next start. Run in a child process, which ends by the signal.
TEST(CrashReport, AStopSignalOverTheOfferKeepsTheReport) {
  std::string folder;
  {
    ReportingApp probe;
    folder = probe.UserDataFolder();
  }
  WriteFile(CrashReport::ReportPath(folder), "Crash report\n");
  TestServer server(200);
  const pid_t child = fork();
  if (child == 0) {
    {
      ReportingApp app;
      Platform::CatchStopSignals();
      app.RegWriteString("CrashReportServer", server.Address());
      Platform::SetMessageBoxHandler([](const std::string&, const std::string&, Platform::MessageBoxButtons) {
        raise(SIGTERM);
        return Platform::MessageBoxAnswer::No;
      });
      app.Offer();
      Platform::SetMessageBoxHandler(nullptr);
    }
    _exit(3);  // not reached: the signal ends the run
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "wait status " << status;
  EXPECT_TRUE(CrashReport::IsPending(folder)) << "the report was discarded";
  CrashReport::Discard(folder);
}
