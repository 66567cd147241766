// The whole game's costs, printed, never asserted: the start-up to the main menu (the real packs
// and the start-up loader on its thread), then a busy café at 1024 x 768 (the first café's
// survival game played until every visitor place is taken, the workers producing, the head-up
// display and the bonus row shown): milliseconds per frame on the software route and on the 3D
// route beside a full-screen opaque copy of the picture (the memory bandwidth floor), in turns
// that alternate copy, software, 3D, so that a busy moment of the machine falls on all three;
// milliseconds per update step against the 10 ms step; and the resident size of the café on each
// route, each measured in a process of its own that starts and draws on that route alone (run
// again with --route=software or --route=3d). Each time is the median of its turns. The aims:
// 0.25 s to the menu, 2 ms a frame in software, 0.1 ms a step, 100 MB.
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Interleave.h"

#include "board/ItemRegistry.h"
#include "board/ZCPickItem.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCWorker.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/HeadlessGame.h"
#include "screens/ScreenTable.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Milliseconds per call of op over one turn of about `slice` seconds.
double MsPerCallTurn(const std::function<void()>& op, double slice) {
  const auto start = Clock::now();
  int n = 0;
  double elapsed = 0;
  do {
    op();
    ++n;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < slice);
  return elapsed * 1000.0 / n;
}

// The resident size now, in MB (0 when /proc cannot tell).
double ResidentMb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

class BenchGame : public HeadlessGame {
 public:
  BenchGame() : HeadlessGame("Game Frame Bench") { mPlayFirstLevel = false; }
  void Draw() {
    MarkDirty();
    DrawFrame();
  }
};

bool MainMenuShown() {
  ZCCandyWidget* menu = ScreenTable::Get(ScreenTable::kMainMenu);
  return menu && menu->IsVisible();
}

int32_t PlacesTaken(int32_t& places) {
  int32_t taken = 0;
  places = 0;
  for (ZCItem* item : GetItemRegistry().Items())
    if (auto* visitor = dynamic_cast<ZCClient*>(item)) {
      ++places;
      if (visitor->IsActive()) ++taken;
    }
  return taken;
}

// Runs this program again on one route and passes its lines on.
void ResidentOnRoute(const char* route) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "'" + self + "' --route=" + std::string(route);
  FILE* child = popen(command.c_str(), "r");
  if (!child) {
    std::printf("resident size on the %s route: the process did not start\n", route);
    return;
  }
  std::array<char, 512> line{};
  while (std::fgets(line.data(), int(line.size()), child)) std::fputs(line.data(), stdout);
  pclose(child);
}

}  // namespace

int main(int argc, char** argv) {
  const bench::Options options = bench::Options::Parse(argc, argv);
  // --route=software|3d: start, play and draw on that route alone and tell the resident size.
  // --startup-only: stop at the main menu (for instruction counts of the start-up alone).
  int onlyRoute = -1;
  bool startupOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--startup-only") == 0) startupOnly = true;
    if (std::strcmp(argv[i], "--route=software") == 0) onlyRoute = 0;
    if (std::strcmp(argv[i], "--route=3d") == 0) onlyRoute = 1;
  }
  ::setenv("SDL_VIDEODRIVER", "dummy", 0);
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  // A private home: the bench neither reads nor leaves the player's profile.
  const std::string home = (std::filesystem::temp_directory_path() / ("cafe_bench_" + std::to_string(getpid()))).string();
  ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);

  // Start-up: Init, the loader on its thread and the hand-over, on the real clock.
  const auto start = Clock::now();
  auto game = std::make_unique<BenchGame>();
  if (onlyRoute >= 0) game->mIs3D = onlyRoute == 1;
  if (!game->Init()) {
    std::fprintf(stderr, "the game did not start\n");
    return 1;
  }
  // In a window of the picture's size, as the timed frames below: a full screen adds the
  // desktop-sized flip chain (three desktop-sized pictures) to either route.
  if (onlyRoute >= 0) game->SwitchScreenMode(true, onlyRoute == 1, true);
  game->BeginStartup();
  while ((game->IsLoaderRunning() || !MainMenuShown()) && game->LoopStep()) {
  }
  const double startupMs = Ms(Clock::now() - start);
  if (onlyRoute < 0) std::printf("start-up to the main menu: %.0f ms (aim 250)\n", startupMs);
  if (startupOnly) {
    game.reset();
    std::filesystem::remove_all(home);
    return 0;
  }

  // The busy café: survival in the first café on simulated time, the workers started, until
  // every place is taken (its visitors keep coming, unlike a career day's list).
  game->mSimulatedClock = true;
  ZCBoard_Game3* board = game->GetBoard();
  GetProfileStore().CreatePlayer(L"Bench");
  board->StartLoadingThread(1, true);
  if (!game->RunUntilLevelRuns()) {
    std::fprintf(stderr, "the survival game did not start\n");
    return 1;
  }
  int32_t places = 0, taken = 0;
  for (int step = 0; step < 30000; ++step) {
    if (step % 300 == 0)
      for (ZCItem* item : GetItemRegistry().Items())
        if (auto* worker = dynamic_cast<ZCWorker*>(item); worker && worker->GetWorkState() == ZCWorker::kIdle)
          worker->SetWorkState(ZCWorker::kWorking);
    game->Step();
    taken = PlacesTaken(places);
    if (places > 0 && taken == places) break;
  }
  if (onlyRoute >= 0) {
    // This process's route alone: what it keeps beside the pictures (the software route a
    // premultiplied copy of each picture drawn, the 3D route its textures).
    const double loadedMb = ResidentMb();
    game->Draw();
    const double drawnMb = ResidentMb();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("resident size on the %s route alone: %.1f MB with the café loaded, %.1f MB after a frame, "
                "peak %.1f MB (aim 100)\n",
                onlyRoute == 1 ? "3D" : "software", loadedMb, drawnMb, double(usage.ru_maxrss) / 1024.0);
    game.reset();
    std::filesystem::remove_all(home);
    return 0;
  }
  std::printf("busy café: %d of %d visitor places taken; level %s, pause count %d\n", taken, places,
              board->IsRunning() ? "running" : "ended", int(board->GetPauseCount()));
  std::fflush(stdout);
  ResidentOnRoute("software");
  ResidentOnRoute("3d");
  game->SwitchScreenMode(true, false, true);
  Vesk::DDImage* screen = game->GetDisplay()->GetScreenImage();
  const size_t bytes = size_t(screen->mWidth) * size_t(screen->mHeight) * 4;
  std::vector<uint8_t> copy(bytes, 0x40);
  // Turns alternate: the copy, the software route, the 3D route (each switch draws once before
  // its turn, so that the switch itself is not timed).
  std::vector<double> floorTurns, routeTurns[2];
  for (int round = 0; round < options.rounds; ++round) {
    floorTurns.push_back(MsPerCallTurn([&] { std::memcpy(screen->GetBits(), copy.data(), bytes); }, options.slice));
    for (int route = 0; route < 2; ++route) {
      game->SwitchScreenMode(true, route == 1, true);
      screen = game->GetDisplay()->GetScreenImage();
      game->Draw();
      routeTurns[route].push_back(MsPerCallTurn([&] { game->Draw(); }, options.slice));
    }
    game->SwitchScreenMode(true, false, true);
    screen = game->GetDisplay()->GetScreenImage();
  }
  const double floorMs = bench::Median(floorTurns);
  const double routeMs[2] = {bench::Median(routeTurns[0]), bench::Median(routeTurns[1])};
  std::printf("frame at %dx%d: software %.2f ms (aim 2), 3D %.2f ms, full-screen opaque copy %.3f ms; software/copy %.1f\n",
              screen->mWidth, screen->mHeight, routeMs[0], routeMs[1], floorMs, routeMs[0] / floorMs);
  // Steps in turns of a fixed count: the café must still be busy for every one of them (a turn
  // of time could outlast the level, whose idle visitors leave and take the lives with them).
  constexpr int kStepsPerTurn = 200;
  std::vector<double> stepTurns;
  const float levelTime = board->GetLevelTime();
  for (int round = 0; round < options.rounds; ++round) {
    const auto turnStart = Clock::now();
    for (int i = 0; i < kStepsPerTurn; ++i) game->Step();
    stepTurns.push_back(Ms(Clock::now() - turnStart) / kStepsPerTurn);
  }
  const double stepMs = bench::Median(stepTurns);
  taken = PlacesTaken(places);
  std::printf("update step: %.4f ms (aim 0.1) against the 10 ms step: %.1f%% of it; %d steps played %.1f s of the level, "
              "which is %s with %d of %d places taken\n",
              stepMs, stepMs * 10.0, options.rounds * kStepsPerTurn, double(board->GetLevelTime() - levelTime),
              board->IsRunning() ? "still running" : "over", taken, places);
  game.reset();
  std::filesystem::remove_all(home);
  return 0;
}
