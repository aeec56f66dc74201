// Stages COUNT frames in FOLDER as `mix --png-every` does (StagedFiles, one after another, each of the
// same BYTES), then puts them in place with PlaceOutputs: the host's staging without the editor's drawing,
// for the tests that count what staging costs at thousands of frames (descriptors, file-system calls).
// Exit status as the host's: 0 every frame in place, 1 with the message on standard error.
// usage: qorv-stage-frames COUNT FOLDER [BYTES]
#include "host/PlaceOutputs.h"
#include "host/StageOutputs.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
  if (argc < 3) return 2;
  const long count = std::strtol(argv[1], nullptr, 10);
  const std::string folder = argv[2];
  const std::vector<unsigned char> bytes(argc > 3 ? size_t(std::strtoul(argv[3], nullptr, 10)) : 4096, 0x5a);
  qorvhost::StagedFiles frames;
  std::string error;
  for (long i = 1; i <= count; ++i)
  {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%04ld.png", i);
    if (!frames.Stage(folder + name, bytes.data(), bytes.size(), error))
    {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  std::vector<qorvhost::NewOutput> outputs;
  frames.AddTo(outputs);
  const int status = qorvhost::PlaceOutputs(outputs, error);
  if (status != 0) std::fprintf(stderr, "%s\n", error.c_str());
  return status;
}
