// Runs a piece of work in a child process so that whatever happens inside a third-party model
// reader (a crash, a loop that never ends, an absurd allocation) ends as one line of ours.
#pragma once

#include <functional>
#include <string>

namespace velmora::zen {

// Runs `work` in a child process under an address-space ceiling and a time limit and returns its
// status. When the child dies of a signal, runs out of memory or out of time, prints
// "velmora-zen: WHAT: reason" and returns 1. Without fork, runs `work` in this process.
int runIsolated(const std::function<int()>& work, const std::string& what);

}  // namespace velmora::zen
