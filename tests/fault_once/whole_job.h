// One whole job run in this process as the program's entry runs it: the single-instance guard,
// start-up with the command line, teardown. Each run has a host link of its own and starts with
// the last error cleared, as a new process would; nothing thrown leaves it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace radlyn::faults {

// `arguments` as the operating system hands them over (UTF-8 on Linux), without the program name.
// `at_teardown` (when given) is called between start-up and teardown.
void RunWholeJob(const std::vector<std::string>& arguments,
                 const std::function<void()>& at_teardown = {});

}  // namespace radlyn::faults
