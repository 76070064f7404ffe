// Copies with the file-copy worker, for bench/copy:
//   CopyBench copy DEST SOURCE...   copies the sources into DEST
//   CopyBench cancel DEST SOURCE    starts copying SOURCE, asks to stop after
//                                   500 ms and prints how long the stop took (ms)

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/Prompter.h"
#include "reading/FileCopy.h"

using namespace plomix;
using Clock = std::chrono::steady_clock;

namespace {

class Quiet : public CopyObserver {
 public:
  std::atomic<bool> stop{false};
  bool Progress(uint64_t, uint64_t, int, int, const std::string&) override { return !stop; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: CopyBench copy|cancel DEST SOURCE...\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string dest = argv[2];
  std::vector<CopySource> sources;
  for (int i = 3; i < argc; ++i) sources.push_back({argv[i], ""});
  NonInteractivePrompter prompter;
  Quiet observer;
  CopyHooks hooks;  // COPY_CHUNK_MIB tries other step sizes
  if (const char* chunk = std::getenv("COPY_CHUNK_MIB")) hooks.chunkBytes = std::stoul(chunk) << 20;
  if (mode == "copy") {
    const CopyReport report = CopyFiles(sources, dest, prompter, observer, hooks);
    if (report.status != CopyStatus::Done) {
      std::fprintf(stderr, "%s\n", report.message.toUtf8().constData());
      return 1;
    }
    return 0;
  }
  Clock::time_point asked;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    asked = Clock::now();
    observer.stop = true;
  });
  const CopyReport report = CopyFiles(sources, dest, prompter, observer, hooks);
  const Clock::time_point ended = Clock::now();
  stopper.join();
  if (report.status != CopyStatus::Cancelled) {
    std::fprintf(stderr, "the copy ended before the stop was asked\n");
    return 1;
  }
  std::printf("%.1f\n", std::chrono::duration<double, std::milli>(ended - asked).count());
  return 0;
}
