#pragma once

#include <stdexcept>

// What a script sees of a run.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,      // the run could not be carried out (socket, file)
  kExitBadInput = 2,     // bad command line or argument: nothing was sent
  kExitTimeout = 3,      // no matching reply in time
  kExitNotOk = 4,        // the device answered a set with a status other than "ok"
  kExitNoTags = 5,       // an inventory read no tag, a scan found no device
  kExitSiteNotOk = 6,    // commission: some device is not ok (the report says which)
  kExitVerdictFail = 7,  // test: the reader failed its recipe
};

// A refused argument; the message names it. Nothing has been sent.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command line that does not fit the usage at all.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
