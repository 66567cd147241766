// The program's entry: runs the game from the executable's folder, where its packs lie.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/ZCEngine3.h"
#include "platform/paths/UserPaths.h"
#include "platform/window/MessageBox.h"
#include "shell/Log.h"

int main(int argc, char** argv) {
  // The game's system boxes open in processes started from this program (a stop signal can then
  // close them); such a process shows its box and ends here.
  Platform::ServeMessageBoxProcess(argc, argv);
  // A file-size limit makes a write that passes it fail (EFBIG), as a full disk does, instead of
  // ending the game there: the failed save is told and the run goes on.
  ::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  // Paths given on the command line count from where the game was started.
  std::string startFolder;
  if (char* cwd = ::getcwd(nullptr, 0)) {
    startFolder = cwd;
    ::free(cwd);
  }
  std::string dir = Platform::ExecutableDir();
  if (::chdir(dir.c_str()) != 0) LogMessage("WARNING: cannot change to the folder %s", dir.c_str());

  auto app = std::make_unique<ZCEngine3>();
  app->SetCommandLine(args, startFolder);
  if (!app->Init()) return 1;
  app->Start();
  const int code = app->ExitCode();
  // A run stopped by a signal ends here by that signal, once everything is saved.
  app.reset();
  return code;
}
