#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/pty_pair.h"

// A port with nothing behind it: a thread drains the far end at once (so the
// port's purge finds nothing of ours) and counts the bytes. It holds no slave
// descriptor, so that a program under test in another process may open it.
struct CSilentPeer {
    CSilentPeer()
        : drain([this] {
              while (!bStop) {
                  const long nRead = static_cast<long>(pty.ReadMaster(4096, 10).size());
                  nBytes += nRead;
                  if (nRead == 0) {  // no opener: the master reports a hang-up at once
                      std::this_thread::sleep_for(std::chrono::milliseconds(2));
                  }
              }
          }) {
        pty.CloseSlave();
    }
    ~CSilentPeer() {
        bStop = true;
        drain.join();
    }
    PtyPair pty;
    std::atomic<bool> bStop{false};
    std::atomic<long> nBytes{0};
    std::thread drain;
};
