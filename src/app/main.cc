// The program's entry: start-up, then teardown, with no message loop in between.
#include <string>
#include <vector>

#include "app/radlyn_app.h"
#include "app/single_instance_guard.h"
#include "platform/code_page.h"

namespace {

// Built before main runs, in this order, and torn down after it.
radlyn::CRadlynApp the_app;
radlyn::CSingleInstanceGuard the_guard;

std::vector<std::string> ProgramParameters(int argc, char** argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) {
#ifdef _WIN32
    parameters.emplace_back(argv[i]);
#else
    // Linux hands arguments over in UTF-8; the program's texts are ANSI.
    parameters.push_back(radlyn::platform::GetCodePages().Utf8ToAnsi(argv[i]));
#endif
  }
  return parameters;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    the_app.StartUp(the_guard, ProgramParameters(argc, argv));
  } catch (...) {
    // Not even the report could be written; the teardown still runs.
  }
  try {
    return the_app.ShutDown();
  } catch (...) {
    return 0;
  }
}
