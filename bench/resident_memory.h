#pragma once
#include <unistd.h>

#include <fstream>

// The process's resident set, in KiB, for the memory-over-many-polls cases.
inline long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}
